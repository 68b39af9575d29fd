#include "app/RunApplication.h"

#include <cstdio>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/StartupGlobals.h"
#include "app/VeskAppBase.h"
#include "platform/CrashDialogs.h"
#include "platform/DevDialogs.h"
#include "platform/TextSystem.h"
#include "platform/WindowSystem.h"

namespace Vesk {

int RunApplication(int argc, char** argv, const AppFactory& make) {
    // Before anything else, so that even a fault during start-up is reported.
    StartupGlobals::Init();

    constexpr std::string_view kBackendOption = "--backend=";
    std::string requestedBackend;
    std::vector<std::string> commandLine;
    commandLine.emplace_back(argc > 0 ? argv[0] : "vesk");
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.substr(0, kBackendOption.size()) == kBackendOption) {
            requestedBackend = std::string(arg.substr(kBackendOption.size()));
        } else {
            commandLine.emplace_back(arg);
        }
    }

    platform::BackendKind backend = platform::BackendKind::Headless;
    try {
        backend = platform::ChooseBackendKind(requestedBackend);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }

    // The crash and developer windows follow the backend chosen here, not the environment.
    // They must outlive the application, so they are made first.
    std::unique_ptr<platform::CrashDialogs> crashDialogs = platform::MakeCrashDialogs(backend);
    platform::SetCrashDialogs(crashDialogs.get());
    std::unique_ptr<platform::DevDialogs> devDialogs = platform::MakeDevDialogs(backend);
    platform::SetDevDialogs(devDialogs.get());
    // Unregistered on every way out, before the objects themselves go.
    struct DialogsRegistration {
        ~DialogsRegistration() {
            platform::SetDevDialogs(nullptr);
            platform::SetCrashDialogs(nullptr);
        }
    } dialogsRegistration;

    std::unique_ptr<platform::WindowSystem> windowSystem = platform::MakeWindowSystem(backend);
    if (windowSystem == nullptr) {
        std::fprintf(stderr, "The window system could not be started.\n");
        return 1;
    }

    // System fonts find it through the process; it outlives the application and its fonts.
    std::unique_ptr<platform::TextSystem> textSystem = platform::MakeTextSystem(backend);
    platform::SetTextSystem(textSystem.get());
    struct TextSystemRegistration {
        ~TextSystemRegistration() { platform::SetTextSystem(nullptr); }
    } textSystemRegistration;

    // Without sound the program runs silent; the output outlives the application.
    std::unique_ptr<platform::AudioDevice> audio = platform::MakeAudioDevice(backend);

    std::unique_ptr<VeskAppBase> app = make(backend);
    app->mWindowSystem = windowSystem.get();
    app->mAudioDevice = audio.get();
    app->SetCommandLine(VeskAppBase::JoinArguments(commandLine));
    app->Init();
    app->Start();
    const int status = app->mExitStatus;
    app.reset();
    return status;
}

}  // namespace Vesk
