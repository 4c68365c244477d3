// The ICSP commands as the operator starts them: the program's windows on a
// simulated station, buttons clicked, results read from the log, the labels
// and the chip model.
#include "IcspBench.h"

#include "app/AppWindows.h"
#include "app/QtUiHost.h"
#include "app/prog_12.h"

#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <cstdlib>

namespace icsptest {
namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "korv_icsp_tests";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
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

// The program's windows in production mode over a simulated station, in an
// empty working directory.
struct WindowBench {
    WindowBench(ChipType chip, Adapters adapters, Contents contents)
        : oldCwd(QDir::currentPath()), station(Bench::Config(chip, adapters, contents)),
          core(ProfileFor(chip), host, station.ticks())
    {
        QDir::setCurrent(cwd.path());
        core.hw.Attach(station.port(), station.d2xx());
        core.hw.portProg.PresetDataShadow();
        korv::StartOptions o;
        o.argv0 = "korv_icsp_tests";
        o.production = true;
        windows = std::make_unique<korv::AppWindows>(core, host, o);
        korv::ConnectSubsystems(core, *windows);
        host.recordDialogs = true;
    }
    ~WindowBench()
    {
        windows.reset();
        QDir::setCurrent(oldCwd);
    }

    korv::TProg12& main() { return *windows->Prog12; }
    std::vector<std::string> Log() const
    {
        std::vector<std::string> lines;
        for (const QString& l : windows->Prog12->Memokno->toPlainText().split('\n', Qt::SkipEmptyParts))
            lines.push_back(l.toStdString());
        return lines;
    }
    uint16_t FlashWord(uint32_t w) { return static_cast<uint16_t>(station.chip().flash()[2 * w] | (station.chip().flash()[2 * w + 1] << 8)); }

    QTemporaryDir cwd;
    QString oldCwd;
    korv::sim::Station station;
    korv::QtUiHost host;
    korv::AppCore core;
    std::unique_ptr<korv::AppWindows> windows;
};

// The warning's "Да" identifies the chip; " Запись "BOOT"" writes the boot
// area; the compare button then finds no difference; the controls are
// usable again afterwards.
TEST(Windows, DetectWriteAndCompareThroughTheButtons)
{
    for (Adapters adapters : {Adapters::Kerdis, Adapters::Vantrel}) {
        SCOPED_TRACE(AdapterName(adapters));
        WindowBench w(ChipType::PIC18F452, adapters, Contents::Blank);
        ASSERT_TRUE(w.windows->ConnectProgrammer);
        w.windows->ConnectProgrammer();
        EXPECT_TRUE(w.host.Checked("Prog12.CheckBox2"));
        EXPECT_EQ(w.host.Checked("Prog12.CheckUSB"), adapters == Adapters::Vantrel);
        EXPECT_EQ(w.core.chip.BootWords, 384);

        for (uint32_t i = 0; i < 2 * 384; ++i)
            w.core.images.MasterImage[i] = static_cast<uint8_t>(i * 7 + 3);
        w.main().Prog->click();
        EXPECT_EQ(w.Log(), (std::vector<std::string>{"Прогр. OK"}));
        for (uint32_t i = 0; i < 2 * 384; ++i)
            ASSERT_EQ(w.station.chip().flash()[i], static_cast<uint8_t>(i * 7 + 3)) << i;
        EXPECT_EQ(w.station.chip().flash()[2 * 384], 0xFF);
        EXPECT_TRUE(w.main().Prog->isEnabled());
        EXPECT_TRUE(w.main().ReadChip->isEnabled());

        w.main().Sravn->click();
        EXPECT_EQ(w.Log(), (std::vector<std::string>{"Сравнение ОК"}));
        w.station.chip().flash()[10] = 0x00;
        w.main().Sravn->click();
        EXPECT_EQ(w.Log(), (std::vector<std::string>{"  A: Эт.5049 Рез.5000", "Кол. ошибок. = 1 "}));
        EXPECT_EQ(w.station.chip().violations().size(), 0u);
    }
}

// "Чтение прогр. памяти" fills ChipImage and shows it; RD ID shows the ID
// words; the erase button erases and, per variant, ends in programming mode
// or with the module released.
TEST(Windows, ReadIdAndEraseThroughTheButtons)
{
    for (ChipType chip : {ChipType::PIC18F4620, ChipType::PIC18F2520}) {
        SCOPED_TRACE(korv::sim::chipName(chip));
        WindowBench w(chip, Adapters::Vantrel, Contents::Module);
        w.windows->ConnectProgrammer();
        ASSERT_TRUE(w.host.Checked("Prog12.Prog4520"));
        if (w.core.profile.is2520())
            w.core.chip.ProgramWords = 256;

        w.main().ReadChip->click();
        EXPECT_EQ(w.core.images.DumpSource, korv::kDumpChip);
        EXPECT_EQ(w.core.images.ChipImage[0], w.station.chip().flash()[0]);
        EXPECT_EQ(w.core.images.ChipImage[511], w.station.chip().flash()[511]);
        EXPECT_EQ(w.Log().at(0), "Данные кристалла.");

        w.main().SpeedButton11->click();
        const auto id = w.station.chip().idLocations();
        EXPECT_EQ(w.main().Label2->text().toStdString(),
                  korv::Format("d[0]=%x d[1]=%x d[2]=%x d[3]=%x",
                               {id[0] | id[1] << 8, id[2] | id[3] << 8, id[4] | id[5] << 8, id[6] | id[7] << 8}));

        w.main().SpeedButton18->click();
        EXPECT_EQ(w.FlashWord(0), 0xFFFF);
        EXPECT_TRUE(w.main().SpeedButton12->isChecked());
        EXPECT_EQ(w.station.bus().vpp(), w.core.profile.is4620());
        EXPECT_TRUE(w.main().Prog->isEnabled());

        // "WR ID" puts the words read before the erase back.
        w.main().SpeedButton10->click();
        EXPECT_EQ(w.station.chip().idLocations()[2], static_cast<uint8_t>(w.core.icsp.IdWords[1]));
        EXPECT_EQ(w.station.chip().idLocations()[5], static_cast<uint8_t>(w.core.icsp.IdWords[2] >> 8));
        EXPECT_EQ(w.station.chip().violations().size(), 0u);
    }
}

} // namespace
} // namespace icsptest
