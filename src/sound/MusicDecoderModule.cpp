// Tracker modules rendered through libopenmpt.
#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cmath>

#include "platform/SoundFormulas.h"
#include "sound/MusicDecoder.h"

namespace Vesk {

namespace {

class ModuleMusicDecoder : public MusicDecoder {
public:
    explicit ModuleMusicDecoder(openmpt_module* module) : mModule(module) {}
    ~ModuleMusicDecoder() override { openmpt_module_destroy(mModule); }

    platform::PcmFormat Format() const override {
        return platform::PcmFormat{2, 16, platform::sound::kOutputRate};
    }
    uint64_t LengthFrames() const override { return 0; }

    size_t Read(int16_t* out, size_t frames) override {
        size_t done = 0;
        while (done < frames) {
            const size_t got = openmpt_module_read_interleaved_stereo(
                mModule, platform::sound::kOutputRate, frames - done, out + 2 * done);
            if (got == 0) {
                break;
            }
            done += got;
        }
        return done;
    }

    bool Seek(uint64_t frame) override {
        openmpt_module_set_position_seconds(
            mModule, static_cast<double>(frame) / platform::sound::kOutputRate);
        return true;
    }

    bool SeekOrder(int order) override {
        openmpt_module_set_position_order_row(mModule, order, 0);
        return true;
    }

    void SetLooping(bool looping) override {
        openmpt_module_set_repeat_count(mModule, looping ? -1 : 0);
    }

    void SetAmplify(int amplify) override {
        // 50 is the piece's own level; 0 is silence.
        const int clamped = std::clamp(amplify, 0, 100);
        const double gain = clamped == 0 ? 0.0001 : clamped / 50.0;
        openmpt_module_set_render_param(
            mModule, OPENMPT_MODULE_RENDER_MASTERGAIN_MILLIBEL,
            static_cast<int32_t>(std::lround(2000.0 * std::log10(gain))));
    }

private:
    openmpt_module* mModule;
};

}  // namespace

std::unique_ptr<MusicDecoder> MakeModuleMusicDecoder(std::span<const uint8_t> bytes,
                                                     std::string& error) {
    if (bytes.empty()) {
        error = "empty module";
        return nullptr;
    }
    int code = 0;
    const char* message = nullptr;
    openmpt_module* module = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr, openmpt_error_func_store,
        nullptr, &code, &message, nullptr);
    if (module == nullptr) {
        error = message != nullptr && *message != '\0' ? std::string("module refused: ") + message
                                                       : std::string("not a module");
        openmpt_free_string(message);
        return nullptr;
    }
    openmpt_free_string(message);
    auto decoder = std::make_unique<ModuleMusicDecoder>(module);
    decoder->SetLooping(false);
    return decoder;
}

}  // namespace Vesk
