// The component registry: a text file of sections ("[CLSID\{...}]", "[ProgID\name]",
// "[TypeLib\{...}\1.0]") with key=value lines, shared by every component library and host.
// Changes go through Update, which locks the file, re-reads it, applies the change and replaces
// the file in one rename, so concurrent registrations do not lose each other's entries.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

namespace components {

class ComponentRegistry {
public:
    using Section = std::map<std::string, std::string>;
    using Sections = std::map<std::string, Section>;

    // $VELMAR_COMPONENT_REGISTRY when set, else "components.reg" in the working directory, where
    // the programs find their other data files.
    static std::string DefaultPath();

    explicit ComponentRegistry(std::string path = DefaultPath()) : path_(std::move(path)) {}
    const std::string& Path() const { return path_; }

    // The current contents; empty when the file does not exist.
    Sections Read() const;
    // False when the file could not be locked or written.
    bool Update(const std::function<void(Sections&)>& change) const;

    // Lookups over the current contents.
    std::optional<std::string> ClsidOfProgId(const std::string& progId) const;
    std::optional<std::string> LibraryOfClsid(const std::string& clsid) const;

private:
    std::string path_;
};

std::string ClsidKey(const std::string& clsid);
std::string ProgIdKey(const std::string& progId);
std::string TypeLibKey(const std::string& libid, const std::string& version);

}  // namespace components
