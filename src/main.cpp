// Program entry: makes the application, runs it and ends.
#include <memory>

#include "app/RunApplication.h"
#include "app/VeskAppBase.h"

namespace {

// Stands in for the game until the game itself exists: an empty window that runs the main loop.
class PlaceholderApp : public Vesk::VeskAppBase {
public:
    explicit PlaceholderApp(bool headless) : mHeadless(headless) {
        mCompanyName = "Zandermol";
        mFullCompanyName = "Zandermol";
        mProdName = "Vorns";
        mTitle = "Vorns";
    }

    void UpdateFrames() override {
        VeskAppBase::UpdateFrames();
        // Nobody can close a headless window: end after one second of updates.
        if (mHeadless && mUpdateCount >= 100)
            Shutdown();
    }

private:
    bool mHeadless;
};

}  // namespace

int main(int argc, char** argv) {
    return Vesk::RunApplication(argc, argv, [](platform::BackendKind backend) {
        return std::make_unique<PlaceholderApp>(backend == platform::BackendKind::Headless);
    });
}
