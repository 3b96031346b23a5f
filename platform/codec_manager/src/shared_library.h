// A library opened with dlopen, and typed look-ups of its functions.
#pragma once

#include <dlfcn.h>

#include <memory>
#include <string>

namespace acm {

class SharedLibrary {
public:
    // Empty when the library is not installed.
    static std::shared_ptr<SharedLibrary> Open(const std::string& soname) {
        void* handle = ::dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return nullptr;
        return std::shared_ptr<SharedLibrary>(new SharedLibrary(handle));
    }
    ~SharedLibrary() { ::dlclose(handle_); }
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // Sets `fn` to the named function; false when the library lacks it.
    template <typename Fn>
    bool Find(const char* name, Fn*& fn) const {
        fn = reinterpret_cast<Fn*>(::dlsym(handle_, name));
        return fn != nullptr;
    }

private:
    explicit SharedLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

}  // namespace acm
