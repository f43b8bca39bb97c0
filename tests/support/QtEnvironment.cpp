// One application object for every test of the program, with the form fonts.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "shell/Fonts.h"

namespace {

class TQtEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        FApplication = std::make_unique<QApplication>(FArgc, FArgv);
        RegisterFonts();
    }
    void TearDown() override { FApplication.reset(); }

private:
    int FArgc = 1;
    char FName[16] = "widgets_gui";
    char* FArgv[2] = {FName, nullptr};
    std::unique_ptr<QApplication> FApplication;
};

// GoogleTest takes ownership of the environment.
[[maybe_unused]] testing::Environment* const kQtEnvironment =
    testing::AddGlobalTestEnvironment(new TQtEnvironment);

}  // namespace
