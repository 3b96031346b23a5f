// Layer III through libmp3lame (Debian package libmp3lame0). The few functions used are declared
// here from the library's documented C interface; the build needs no development package.
#include "library_driver.h"
#include "library_stream.h"

namespace acm {

namespace {

struct LameApi {
    using Flags = void;
    Flags* (*init)();
    int (*setInSamplerate)(Flags*, int);
    int (*setOutSamplerate)(Flags*, int);
    int (*setNumChannels)(Flags*, int);
    int (*setBrate)(Flags*, int);
    int (*setWriteVbrTag)(Flags*, int);
    void (*setWriteId3tagAutomatic)(Flags*, int);
    int (*initParams)(Flags*);
    int (*encodeInterleaved)(Flags*, short*, int, unsigned char*, int);
    int (*encodeFlush)(Flags*, unsigned char*, int);
    int (*close)(Flags*);
    const char* (*version)();

    bool Load(const SharedLibrary& lib) {
        return lib.Find("lame_init", init) && lib.Find("lame_set_in_samplerate", setInSamplerate) &&
               lib.Find("lame_set_out_samplerate", setOutSamplerate) &&
               lib.Find("lame_set_num_channels", setNumChannels) && lib.Find("lame_set_brate", setBrate) &&
               lib.Find("lame_set_bWriteVbrTag", setWriteVbrTag) &&
               lib.Find("lame_set_write_id3tag_automatic", setWriteId3tagAutomatic) &&
               lib.Find("lame_init_params", initParams) &&
               lib.Find("lame_encode_buffer_interleaved", encodeInterleaved) &&
               lib.Find("lame_encode_flush", encodeFlush) && lib.Find("lame_close", close) &&
               lib.Find("get_lame_version", version);
    }

    // A set-up encoder, or null when the library refuses the parameters. The output rate is set
    // (the library would resample at low bit rates), and neither an "Info" frame nor tags are
    // written: the output is bare frames.
    Flags* Make(std::uint32_t rate, int kbps) const {
        Flags* f = init();
        if (!f) return nullptr;
        if (setInSamplerate(f, int(rate)) != 0 || setOutSamplerate(f, int(rate)) != 0 || setNumChannels(f, 2) != 0 ||
            setBrate(f, kbps) != 0 || setWriteVbrTag(f, 0) != 0) {
            close(f);
            return nullptr;
        }
        setWriteId3tagAutomatic(f, 0);
        if (initParams(f) < 0) {
            close(f);
            return nullptr;
        }
        return f;
    }
};

// Worst case of one call by the library's own rule (1.25 x samples + 7200), rounded up.
constexpr int kScratchBytes = 16384;

class LameStream final : public LibraryStream {
public:
    LameStream(std::shared_ptr<SharedLibrary> library, const LameApi& api, LameApi::Flags* flags)
        : LibraryStream(2), library_(std::move(library)), api_(api), flags_(flags) {}
    ~LameStream() override { api_.close(flags_); }

private:
    bool Encode(const std::int16_t* pcm, int samples, std::vector<std::uint8_t>& out) override {
        for (int at = 0; at < samples;) {
            const int take = std::min(1152 * 4, samples - at);
            // The library does not write to its input; its interface just lacks the const.
            short* in = const_cast<short*>(pcm + 2 * at);
            if (!Append(api_.encodeInterleaved(flags_, in, take, scratch_, kScratchBytes), out)) return false;
            at += take;
        }
        return true;
    }
    bool Flush(std::vector<std::uint8_t>& out) override {
        return Append(api_.encodeFlush(flags_, scratch_, kScratchBytes), out);
    }
    bool Append(int bytes, std::vector<std::uint8_t>& out) { return AppendCoded(bytes, scratch_, kScratchBytes, out); }

    std::shared_ptr<SharedLibrary> library_;
    LameApi api_;
    LameApi::Flags* flags_;
    unsigned char scratch_[kScratchBytes];
};

class LameDriver final : public LibraryDriver {
public:
    LameDriver(std::shared_ptr<SharedLibrary> library, const LameApi& api)
        : LibraryDriver(std::move(library),
                        {"lame", std::string("MPEG Layer-3 Codec (libmp3lame ") + VersionText(api.version()) + ")"}, 3),
          api_(api) {}

    std::unique_ptr<Stream> MakeStream(std::uint32_t rate, int kbps) const override {
        LameApi::Flags* f = api_.Make(rate, kbps);
        if (!f) return nullptr;
        return std::make_unique<LameStream>(library_, api_, f);
    }

private:
    bool Accepts(std::uint32_t rate, int kbps) const override {
        LameApi::Flags* f = api_.Make(rate, kbps);
        if (!f) return false;
        api_.close(f);
        return true;
    }

    LameApi api_;
};

}  // namespace

std::shared_ptr<LibraryDriver> LoadLameDriver(const std::string& soname) {
    auto library = SharedLibrary::Open(soname);
    LameApi api{};
    if (!library || !api.Load(*library)) return nullptr;
    return std::make_shared<LameDriver>(std::move(library), api);
}

}  // namespace acm
