// A damaged settings file never stops the program: it starts with what could be
// applied and the built state for the rest.
#include "main_window/schemes.h"
#include "robustness/robustness.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <optional>
#include <random>

using namespace plenarvo;
using plenarvo::testing::Robustness;
using plenarvo::testing::writeBytes;

namespace {

// The seven menu check marks in the order of the file's flag lines.
using Checks = std::array<bool, 7>;
constexpr Checks kBuilt{true, false, false, false, false, false, true};

struct Damage {
    const char* name;
    // The file's bytes; `pics` is a folder holding one picture.
    std::function<QByteArray(const QString& pics)> bytes;
    bool folderOpened;             // the default folder was applied and opened
    Checks checks;                 // the menu's check marks after start-up
    std::optional<Scheme> colour;  // the scheme whose colour the window has
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.name;
}

QByteArray lines(const QStringList& texts, const char* end = "\r\n") {
    QByteArray out;
    for (const QString& text : texts) {
        out += text.toUtf8() + end;
    }
    return out;
}

QByteArray binary(std::size_t size, bool withLineEnds) {
    std::mt19937 draw(11);
    QByteArray out;
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(draw() & 0xff);
        if (c == '\r' && !withLineEnds) {
            c = '\x0e';
        }
        out += c;
    }
    if (withLineEnds) {
        for (qsizetype i = 50; i < out.size(); i += 50) {
            out[i] = '\r';
        }
    }
    return out;
}

const Damage kDamages[] = {
    {"BinaryWithoutLineEnds", [](const QString&) { return binary(4096, false); }, false, kBuilt,
     std::nullopt},
    // Eight lines and more, but the first flag line is not a flag.
    {"BinaryLines", [](const QString&) { return binary(4096, true); }, false, kBuilt, std::nullopt},
    // A whole good record at its start, in a file far larger than a settings file.
    {"Huge",
     [](const QString& pics) {
         QByteArray out =
             lines({pics, "False", "False", "True", "False", "False", "False", "True"});
         while (out.size() < 4 * 1024 * 1024) {
             out += "True\r\n";
         }
         return out;
     },
     false, kBuilt, std::nullopt},
    // Cut in its last flag line: the six flags before it apply, no scheme does.
    {"TruncatedInTheLastLine",
     [](const QString& pics) {
         return lines({pics, "False", "True", "False", "False", "False", "True"}) + "Tr";
     },
     true,
     {false, true, false, false, false, true, true},
     std::nullopt},
    // Cut in its third line: too short, nothing applies.
    {"TruncatedEarly",
     [](const QString& pics) {
         return lines({pics, "False"}) + "Fa";
     },
     false, kBuilt, std::nullopt},
    {"LoneCarriageReturns",
     [](const QString& pics) {
         return lines({pics, "False", "False", "True", "False", "False", "True", "False"}, "\r");
     },
     true,
     {false, false, true, false, false, true, false},
     Scheme::Teal},
    // Line feeds alone end no line: the file is one long line.
    {"LineFeedsOnly",
     [](const QString& pics) {
         return lines({pics, "False", "False", "True", "False", "False", "True", "False"}, "\n");
     },
     false, kBuilt, std::nullopt},
    {"NulInAFlag",
     [](const QString& pics) {
         return lines({pics, "False"}) + QByteArray("Tr\0ue\r\n", 7) +
                lines({"False", "False", "False", "False", "True"});
     },
     true,
     {false, false, false, false, false, false, true},
     std::nullopt},
    {"NulInTheFolder",
     [](const QString& pics) {
         return pics.toUtf8() + QByteArray("\0x\r\n", 4) +
                lines({"False", "False", "False", "False", "True", "False", "True"});
     },
     false,
     {false, false, false, false, true, false, true},
     Scheme::Neon},
};

class DamagedSettings : public Robustness, public ::testing::WithParamInterface<Damage> {
protected:
    void expectStarted(const Damage& damage, const QString& pics) {
        FrmImage& w = main();
        EXPECT_TRUE(w.isVisible());
        EXPECT_TRUE(messages.shown.isEmpty());
        const QString opened =
            damage.folderOpened ? pics : QDir::cleanPath(platform.fallbackFolder);
        EXPECT_EQ(w.dirPic->path(), opened);
        EXPECT_EQ(w.txtFileCount->text(), damage.folderOpened ? "1" : "0");
        const Checks checks{w.mnuOptBacGrnDef->checked(),    w.mnuOptBacGrnPut->checked(),
                            w.mnuOptBacGrnLitBlu->checked(), w.mnuOptBacGrnPur->checked(),
                            w.mnuOptBacGrnGre->checked(),    w.mnuOptViewRnd->checked(),
                            w.mnuOptViewCon->checked()};
        EXPECT_EQ(checks, damage.checks);
        const QColor colour = damage.colour ? schemeColour(*damage.colour)
                                            : controls::fromBgr(0x8000000F);  // as built
        EXPECT_EQ(controls::background(w.client), colour);
    }
};

TEST_P(DamagedSettings, StartsWithWhatCouldBeApplied) {
    const Damage& damage = GetParam();
    const QString pics = folder(QStringLiteral("pics"));
    writePicture(pics, QStringLiteral("only.bmp"), {8, 8});
    QDir().mkpath(QFileInfo(platform.settingsPath).absolutePath());
    ASSERT_TRUE(writeBytes(platform.settingsPath, damage.bytes(pics)));
    startPastSplash();
    expectStarted(damage, pics);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedSettings, ::testing::ValuesIn(kDamages),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(Robustness, ASettingsPathThatIsAFolderStartsAsBuiltAndSavingIsToldOnce) {
    ASSERT_TRUE(QDir().mkpath(platform.settingsPath));  // a folder named default.dat
    startPastSplash();
    FrmImage& w = main();
    EXPECT_TRUE(messages.shown.isEmpty());
    EXPECT_TRUE(w.mnuOptBacGrnDef->checked());
    EXPECT_EQ(w.dirPic->path(), QDir::cleanPath(platform.fallbackFolder));

    // Saving fails: told once, and the choices stay in effect.
    w.mnuOptBacGrnGre_Click();
    w.mnuOptBacGrnLitBlu_Click();
    ASSERT_EQ(messages.shown.size(), 1);
    EXPECT_EQ(messages.shown[0].title, QStringLiteral("Settings Not Saved"));
    EXPECT_TRUE(w.mnuOptBacGrnLitBlu->checked());
    EXPECT_FALSE(w.mnuOptBacGrnGre->checked());
    EXPECT_EQ(controls::background(w.client), schemeColour(Scheme::Teal));
    EXPECT_TRUE(QFileInfo(platform.settingsPath).isDir());
}

}  // namespace
