// One QApplication for every test of this program, on the offscreen
// platform with a font directory that has Cyrillic glyphs.
#include "ui/Controls.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        setenv("QT_QPA_FONTDIR", "/usr/share/fonts/truetype/dejavu", 0);
        static int argc = 1;
        static char name[] = "korv_ui_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
        korv::ui::ApplyApplicationLook();
    }
    void TearDown() override
    {
        delete app_;
        app_ = nullptr;
    }

private:
    QApplication* app_ = nullptr;
};

[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

} // namespace
