// Layer II through libtwolame (Debian package libtwolame0). The few functions used are declared
// here from the library's documented C interface; the build needs no development package.
#include "library_driver.h"
#include "library_stream.h"

namespace acm {

namespace {

struct TwolameApi {
    using Options = void;
    Options* (*init)();
    int (*setInSamplerate)(Options*, int);
    int (*setOutSamplerate)(Options*, int);
    int (*setNumChannels)(Options*, int);
    int (*setBitrate)(Options*, int);
    int (*setVerbosity)(Options*, int);
    int (*initParams)(Options*);
    int (*encodeInterleaved)(Options*, const short*, int, unsigned char*, int);
    int (*encodeFlush)(Options*, unsigned char*, int);
    void (*close)(Options**);
    const char* (*version)();

    bool Load(const SharedLibrary& lib) {
        return lib.Find("twolame_init", init) && lib.Find("twolame_set_in_samplerate", setInSamplerate) &&
               lib.Find("twolame_set_out_samplerate", setOutSamplerate) &&
               lib.Find("twolame_set_num_channels", setNumChannels) && lib.Find("twolame_set_bitrate", setBitrate) &&
               lib.Find("twolame_set_verbosity", setVerbosity) &&
               lib.Find("twolame_init_params", initParams) &&
               lib.Find("twolame_encode_buffer_interleaved", encodeInterleaved) &&
               lib.Find("twolame_encode_flush", encodeFlush) && lib.Find("twolame_close", close) &&
               lib.Find("get_twolame_version", version);
    }

    // A set-up encoder, or null when the library refuses the parameters.
    Options* Make(std::uint32_t rate, int kbps) const {
        Options* o = init();
        if (!o) return nullptr;
        if (setVerbosity(o, 0) != 0 || setInSamplerate(o, int(rate)) != 0 || setOutSamplerate(o, int(rate)) != 0 || setNumChannels(o, 2) != 0 ||
            setBitrate(o, kbps) != 0 || initParams(o) != 0) {
            close(&o);
            return nullptr;
        }
        return o;
    }
};

// The library's advice for an output buffer that always suffices.
constexpr int kScratchBytes = 16384;

class TwolameStream final : public LibraryStream {
public:
    TwolameStream(std::shared_ptr<SharedLibrary> library, const TwolameApi& api, TwolameApi::Options* options)
        : LibraryStream(2), library_(std::move(library)), api_(api), options_(options) {}
    ~TwolameStream() override { api_.close(&options_); }

private:
    bool Encode(const std::int16_t* pcm, int samples, std::vector<std::uint8_t>& out) override {
        // The library codes a frame as soon as it holds 1152 samples; feed it that much at a time.
        for (int at = 0; at < samples;) {
            const int take = std::min(1152, samples - at);
            if (!Append(api_.encodeInterleaved(options_, pcm + 2 * at, take, scratch_, kScratchBytes), out))
                return false;
            at += take;
        }
        return true;
    }
    bool Flush(std::vector<std::uint8_t>& out) override {
        return Append(api_.encodeFlush(options_, scratch_, kScratchBytes), out);
    }
    bool Append(int bytes, std::vector<std::uint8_t>& out) { return AppendCoded(bytes, scratch_, kScratchBytes, out); }

    std::shared_ptr<SharedLibrary> library_;  // kept loaded while the stream lives
    TwolameApi api_;
    TwolameApi::Options* options_;
    unsigned char scratch_[kScratchBytes];
};

class TwolameDriver final : public LibraryDriver {
public:
    TwolameDriver(std::shared_ptr<SharedLibrary> library, const TwolameApi& api)
        : LibraryDriver(std::move(library),
                        {"twolame", std::string("MPEG Layer-2 Codec (libtwolame ") + VersionText(api.version()) + ")"}, 2),
          api_(api) {}

    std::unique_ptr<Stream> MakeStream(std::uint32_t rate, int kbps) const override {
        TwolameApi::Options* o = api_.Make(rate, kbps);
        if (!o) return nullptr;
        return std::make_unique<TwolameStream>(library_, api_, o);
    }

private:
    bool Accepts(std::uint32_t rate, int kbps) const override {
        // Layer II has no stereo at these rates; the library would say so on the terminal.
        if (kbps == 32 || kbps == 48 || kbps == 56 || kbps == 80) return false;
        TwolameApi::Options* o = api_.Make(rate, kbps);
        if (!o) return false;
        api_.close(&o);
        return true;
    }

    TwolameApi api_;
};

}  // namespace

std::shared_ptr<LibraryDriver> LoadTwolameDriver(const std::string& soname) {
    auto library = SharedLibrary::Open(soname);
    TwolameApi api{};
    if (!library || !api.Load(*library)) return nullptr;
    return std::make_shared<TwolameDriver>(std::move(library), api);
}

}  // namespace acm
