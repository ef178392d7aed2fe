#include "app/Program.h"
#include "app/SaveConflict.h"
#include "app/SettingsController.h"
#include "support/FakeDialogs.h"
#include "support/FullSettingsFile.h"
#include "support/TempDir.h"
#include "ui/CueLineEdit.h"
#include "ui/DarstellungPage.h"
#include "ui/Tf_root.h"
#include "ui/VerbindungPage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <utility>
#include <vector>

// Another program (a text editor, a second editor, a script) changes the
// settings file while the editor is open: the save asks before it writes
// over those changes, and writes exactly what it always wrote when nobody
// else did.

namespace
{

using Answer = Dialogs::ConflictAnswer;
using Values = std::vector<std::pair<const char *, const char *>>;

// A file in the form a save writes, so a save that changes nothing gives
// back the same bytes.
const QByteArray kLoaded = FullSettingsFile({{"ZQHost", "10.0.0.1"},
                                             {"ZQKundennummer", "4711"},
                                             {"ZQKDPasswort", "alt-geheim"},
                                             {"AnzahlZeilen", "12"}}) +
                           "[Fremd]\r\n"
                           "X=1\r\n"
                           "\r\n";

// `file` with the given keys' values replaced in place.
QByteArray With(QByteArray file, const Values &values)
{
    for (const auto &[key, value] : values) {
        const QRegularExpression line(QStringLiteral("\r\n%1=[^\r]*\r\n").arg(QLatin1String(key)));
        QString text = QString::fromUtf8(file);
        text.replace(line, QStringLiteral("\r\n%1=%2\r\n").arg(QLatin1String(key), QString::fromUtf8(value)));
        file = text.toUtf8();
    }
    return file;
}

class SaveConflictTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        w.ti_start->stop();
        w.show();
        writeIni(kLoaded);
        w.ti_startTimer();
        ASSERT_TRUE(controller.loaded());
    }
    void writeIni(const QByteArray &bytes) const { dir.write("DAZovozoved.ini", bytes); }
    QByteArray ini() const { return dir.read("DAZovozoved.ini"); }
    // What the operator typed: fields by the key they are saved under.
    void type(const Values &values)
    {
        for (const auto &[key, value] : values)
            field(key)->setText(QString::fromUtf8(value));
    }
    CueLineEdit *field(const QString &key)
    {
        if (key == "ZQHost")
            return w.TabSheet1->e_server;
        if (key == "ZQKDPasswort")
            return w.TabSheet1->e_kdpasswort;
        if (key == "TimeoutLogo")
            return w.TabSheet2->e_timeoutlogo;
        return w.TabSheet2->e_anzahlzeilen;
    }

    TempDir dir;
    FakeDialogs dialogs;
    Tf_root w{&dialogs};
    SettingsController controller{w, SettingsFile::beside(dir.path())};
};

struct ConflictCase {
    const char *name;
    Values onDisk;   // what the other program changed
    Values inWindow; // what the operator changed
    std::vector<Answer> answers;
    int questions;
    bool closes;
    Values expected;                  // the file: the loaded one with these values
    bool expectDiskFile;              // the file exactly as the other program left it
    std::vector<const char *> listed; // lines the question's list holds
};

void PrintTo(const ConflictCase &c, std::ostream *os)
{
    *os << c.name;
}

class Conflicts : public SaveConflictTest, public ::testing::WithParamInterface<ConflictCase>
{
};

TEST_P(Conflicts, SaveAsksAndWritesByTheAnswer)
{
    const ConflictCase &c = GetParam();
    const QByteArray disk = With(kLoaded, c.onDisk);
    if (!c.onDisk.empty())
        writeIni(disk);
    type(c.inWindow);
    dialogs.conflictAnswers.assign(c.answers.begin(), c.answers.end());
    QTest::mouseClick(w.b_ende, Qt::LeftButton);

    EXPECT_TRUE(dialogs.failures.isEmpty()) << dialogs.failures.join('|').toStdString();
    ASSERT_EQ(dialogs.conflictQuestions.size(), c.questions);
    EXPECT_EQ(w.isVisible(), !c.closes);
    EXPECT_EQ(ini(), c.expectDiskFile ? disk : With(kLoaded, c.expected)) << ini().constData();
    for (const QString &question : dialogs.conflictQuestions)
        EXPECT_EQ(question,
                  "Die Einstellungen in DAZovozoved.ini wurden von einem anderen Programm geändert, "
                  "seit der Editor sie geladen hat.");
    const QStringList lines = dialogs.conflictLists.value(0).split(u'\n');
    for (const char *line : c.listed)
        EXPECT_TRUE(lines.contains(QString::fromUtf8(line))) << line << "\n"
                                                             << lines.join('\n').toStdString();
    // Only the changed keys are listed, one line each.
    EXPECT_EQ(lines.filter(QStringLiteral("• ")).size(), c.listed.size());
}

const Values kHostAndLines = {{"ZQHost", "10.9.9.9"}, {"AnzahlZeilen", "30"}};
const char kHostLine[] = "• ZQHost: „10.0.0.1“ → „10.9.9.9“";
const char kLinesLine[] = "• AnzahlZeilen: „12“ → „30“";

INSTANTIATE_TEST_SUITE_P(
    Cases, Conflicts,
    ::testing::Values(
        // Nobody else wrote: no question, the bytes a save always wrote.
        ConflictCase{"NothingChanged", {}, {}, {}, 0, true, {}, false, {}},
        ConflictCase{
            "WindowOnly", {}, {{"AnzahlZeilen", "25"}}, {}, 0, true, {{"AnzahlZeilen", "25"}}, false, {}},
        // Only the other program changed something.
        ConflictCase{
            "DiskOnlyMerge", kHostAndLines, {}, {Answer::Merge}, 1, true, {}, true, {kHostLine, kLinesLine}},
        ConflictCase{"DiskOnlyOverwrite",
                     kHostAndLines,
                     {},
                     {Answer::Overwrite},
                     1,
                     true,
                     {},
                     false,
                     {kHostLine, kLinesLine}},
        ConflictCase{"DiskOnlyCancel",
                     kHostAndLines,
                     {},
                     {Answer::Cancel},
                     1,
                     false,
                     {},
                     true,
                     {kHostLine, kLinesLine}},
        // Both sides, different keys: merging keeps both changes.
        ConflictCase{"DifferentKeysMerge",
                     {{"ZQHost", "10.9.9.9"}},
                     {{"TimeoutLogo", "90"}},
                     {Answer::Merge},
                     1,
                     true,
                     {{"ZQHost", "10.9.9.9"}, {"TimeoutLogo", "90"}},
                     false,
                     {kHostLine}},
        ConflictCase{"DifferentKeysOverwrite",
                     {{"ZQHost", "10.9.9.9"}},
                     {{"TimeoutLogo", "90"}},
                     {Answer::Overwrite},
                     1,
                     true,
                     {{"TimeoutLogo", "90"}},
                     false,
                     {kHostLine}},
        ConflictCase{"DifferentKeysCancel",
                     {{"ZQHost", "10.9.9.9"}},
                     {{"TimeoutLogo", "90"}},
                     {Answer::Cancel},
                     1,
                     false,
                     {},
                     true,
                     {kHostLine}},
        // Both sides, the same key: marked; merging gives it the window's value.
        ConflictCase{"SameKeyMerge",
                     kHostAndLines,
                     {{"AnzahlZeilen", "25"}},
                     {Answer::Merge},
                     1,
                     true,
                     {{"ZQHost", "10.9.9.9"}, {"AnzahlZeilen", "25"}},
                     false,
                     {kHostLine, "• AnzahlZeilen: „12“ → „30“ – auch im Editor geändert, dort „25“"}},
        ConflictCase{"SameKeyOverwrite",
                     kHostAndLines,
                     {{"AnzahlZeilen", "25"}},
                     {Answer::Overwrite},
                     1,
                     true,
                     {{"AnzahlZeilen", "25"}},
                     false,
                     {kHostLine, "• AnzahlZeilen: „12“ → „30“ – auch im Editor geändert, dort „25“"}},
        // Passwords are named, their values never shown.
        ConflictCase{"PasswordOnDiskMerge",
                     {{"ZQKDPasswort", "neu-geheim"}},
                     {},
                     {Answer::Merge},
                     1,
                     true,
                     {},
                     true,
                     {"• ZQKDPasswort: Passwort geändert"}},
        ConflictCase{"PasswordBothSidesMerge",
                     {{"ZQKDPasswort", "neu-geheim"}},
                     {{"ZQKDPasswort", "mein-geheim"}},
                     {Answer::Merge},
                     1,
                     true,
                     {{"ZQKDPasswort", "mein-geheim"}},
                     false,
                     {"• ZQKDPasswort: Passwort geändert – auch im Editor geändert"}}),
    [](const ::testing::TestParamInfo<ConflictCase> &info) { return std::string(info.param.name); });

TEST_F(SaveConflictTest, PasswordValuesAreNeverShown)
{
    writeIni(With(kLoaded, {{"ZQKDPasswort", "neu-geheim"}, {"ZQVAPasswort", "va-geheim"}}));
    type({{"ZQKDPasswort", "mein-geheim"}});
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    ASSERT_EQ(dialogs.conflictLists.size(), 1);
    const QString shown = dialogs.conflictQuestions[0] + dialogs.conflictLists[0];
    EXPECT_TRUE(shown.contains("ZQVAPasswort"));
    for (const char *secret : {"geheim", "alt-", "neu-", "mein-", "va-"})
        EXPECT_FALSE(shown.contains(QLatin1String(secret))) << secret;
}

// While the question is open another program writes again: the answer was
// given to other differences, so the save asks again.
TEST_F(SaveConflictTest, FileChangedAgainWhileAskingAsksAgain)
{
    writeIni(With(kLoaded, {{"AnzahlZeilen", "30"}}));
    const QByteArray again = With(kLoaded, {{"AnzahlZeilen", "40"}, {"ZQHost", "10.9.9.9"}});
    dialogs.whileAsked = [&] {
        if (dialogs.conflictQuestions.size() == 1)
            writeIni(again);
    };
    dialogs.conflictAnswers = {Answer::Merge, Answer::Merge};
    type({{"TimeoutLogo", "90"}});
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    ASSERT_EQ(dialogs.conflictLists.size(), 2);
    EXPECT_FALSE(dialogs.conflictLists[0].contains("ZQHost"));
    EXPECT_TRUE(dialogs.conflictLists[1].contains("• AnzahlZeilen: „12“ → „40“"));
    EXPECT_TRUE(dialogs.conflictLists[1].contains(kHostLine));
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ini(), With(again, {{"TimeoutLogo", "90"}}));
}

// The question is asked outside the save's transaction: the display
// program can read the file, and another program write it, meanwhile.
TEST_F(SaveConflictTest, NoLockIsHeldWhileAsking)
{
    writeIni(With(kLoaded, {{"AnzahlZeilen", "30"}}));
    bool couldLock = false;
    dialogs.whileAsked = [&] {
        const int fd = ::open(QFile::encodeName(dir.path("DAZovozoved.ini")).constData(), O_RDONLY);
        couldLock = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        if (fd >= 0)
            ::close(fd);
    };
    dialogs.conflictAnswers = {Answer::Merge};
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.conflictLists.size(), 1);
    EXPECT_TRUE(couldLock);
    EXPECT_FALSE(w.isVisible());
}

// A write while asking that leaves the 23 values as they were asked about
// (another section, the same values again) needs no second answer, and
// what it wrote stays.
TEST_F(SaveConflictTest, SameDifferencesAfterAskingNeedNoSecondAnswer)
{
    const QByteArray disk = With(kLoaded, {{"AnzahlZeilen", "30"}});
    writeIni(disk);
    dialogs.whileAsked = [&] { writeIni(disk + "[Neu]\r\nY=2\r\n"); };
    dialogs.conflictAnswers = {Answer::Merge};
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.conflictLists.size(), 1);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ini(), disk + "[Neu]\r\nY=2\r\n\r\n");
}

// Back to what the load read while asking: nothing to ask about, the save
// of the window as always.
TEST_F(SaveConflictTest, FileBackAsLoadedSavesAsAlways)
{
    writeIni(With(kLoaded, {{"AnzahlZeilen", "30"}}));
    dialogs.whileAsked = [&] { writeIni(kLoaded); };
    dialogs.conflictAnswers = {Answer::Merge};
    type({{"ZQHost", "10.1.1.1"}});
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.conflictLists.size(), 1);
    EXPECT_EQ(ini(), With(kLoaded, {{"ZQHost", "10.1.1.1"}}));
}

// "Abbrechen" writes nothing and keeps the window; the next press asks again.
TEST_F(SaveConflictTest, CancelThenSaveAgainAsksAgain)
{
    const QByteArray disk = With(kLoaded, {{"ZQHost", "10.9.9.9"}});
    writeIni(disk);
    type({{"AnzahlZeilen", "25"}});
    dialogs.conflictAnswers = {Answer::Cancel, Answer::Merge};
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(ini(), disk);
    QTest::mouseClick(w.b_ende, Qt::LeftButton);
    EXPECT_EQ(dialogs.conflictLists.size(), 2);
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(ini(), With(disk, {{"AnzahlZeilen", "25"}}));
}

// The close question's "Speichern" is the same save, question included.
TEST_F(SaveConflictTest, CloseQuestionSaveAsksToo)
{
    const QByteArray disk = With(kLoaded, {{"ZQHost", "10.9.9.9"}});
    writeIni(disk);
    type({{"AnzahlZeilen", "25"}});
    dialogs.closeAnswer = Dialogs::CloseAnswer::Save;
    dialogs.conflictAnswers = {Answer::Cancel, Answer::Merge};
    w.close();
    EXPECT_TRUE(w.isVisible()); // "Abbrechen": nothing written, still open
    EXPECT_EQ(ini(), disk);
    w.close();
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(dialogs.closeQuestions, 2);
    EXPECT_EQ(dialogs.conflictLists.size(), 2);
    EXPECT_EQ(ini(), With(disk, {{"AnzahlZeilen", "25"}}));
}

// A stored format the reader refused is kept as the file has it; another
// program's new text for it is its change alone, which merging keeps.
TEST_F(SaveConflictTest, KeptFormatChangedOnDiskIsNotTheOperators)
{
    const QByteArray broken = "{\"1\":{\"schriftname\":\"Arial\"";
    const QByteArray loaded = With(kLoaded, {{"InfoZeileFormat", broken.constData()}});
    writeIni(loaded);
    FakeDialogs own;
    Tf_root window{&own};
    window.ti_start->stop();
    SettingsController c{window, SettingsFile::beside(dir.path())};
    window.show();
    window.ti_startTimer();
    ASSERT_EQ(own.messages.size(), 1); // named as unreadable
    const QByteArray fixed = "{\"1\":{\"schriftname\":\"Arial\"}}";
    const QByteArray disk = With(loaded, {{"InfoZeileFormat", fixed.constData()}});
    writeIni(disk);
    own.conflictAnswers = {Answer::Merge};
    QTest::mouseClick(window.b_ende, Qt::LeftButton);
    ASSERT_EQ(own.conflictLists.size(), 1);
    EXPECT_TRUE(own.conflictLists[0].contains("• InfoZeileFormat: ")) << own.conflictLists[0].toStdString();
    EXPECT_FALSE(own.conflictLists[0].contains("auch im Editor")) << own.conflictLists[0].toStdString();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(ini(), disk);
}

TEST(DiskChangeList, LongValuesAreShortened)
{
    const QString longText(500, u'x');
    const QString list =
        DescribeDiskChanges({{Key::InfoZeileFormat, longText, QStringLiteral("{}"), false, {}}});
    EXPECT_FALSE(list.contains(longText));
    EXPECT_TRUE(list.contains("• InfoZeileFormat: „" + QString(59, u'x') + "…“ → „{}“"))
        << list.toStdString();
}

// The real question: German buttons, "Zusammenführen" the default (Return),
// Escape cancels, the list shown as plain text.
TEST(ConflictQuestion, GermanButtonsDefaultAndEscape)
{
    struct Press {
        const char *how; // a button's text, or "Return" / "Escape"
        Answer answer;
    } presses[] = {
        {"Return", Answer::Merge},
        {"Escape", Answer::Cancel},
        {"Alt+B", Answer::Overwrite},
        {"Zusammenführen", Answer::Merge},
        {"Überschreiben", Answer::Overwrite},
        {"Abbrechen", Answer::Cancel},
    };
    QWidget owner;
    owner.show();
    const QString list = QStringLiteral("• HintergrundFarbe: „<b>x</b>“ → „#000000“");
    for (const Press &p : presses) {
        QStringList texts;
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        QTimer::singleShot(0, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->informativeText();
            if (auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
                format = label->textFormat();
            for (QAbstractButton *b : box->buttons())
                texts << b->text().remove(u'&');
            const QString how = QString::fromUtf8(p.how);
            if (how == "Return")
                QTest::keyClick(box, Qt::Key_Return);
            else if (how == "Escape")
                QTest::keyClick(box, Qt::Key_Escape);
            else if (how == "Alt+B") {
                QApplication::setActiveWindow(box); // mnemonics reach the active window only
                QTest::keyClick(box, Qt::Key_B, Qt::AltModifier);
            }
            for (QAbstractButton *b : box->buttons())
                if (b->text().remove(u'&') == how)
                    b->click();
            // A mnemonic clicks after a short animation.
            (void)QTest::qWaitFor([box] { return !box->isVisible(); }, 10000);
            if (box->isVisible()) // the key did nothing: end the question, the answer tells
                box->done(QMessageBox::Cancel);
        });
        QtDialogs dialogs;
        EXPECT_EQ(dialogs.askFileChanged(&owner, FileChangedQuestion(), list), p.answer) << p.how;
        texts.sort();
        EXPECT_EQ(texts, QStringList({"Abbrechen", "Zusammenführen", "Überschreiben"}));
        EXPECT_EQ(shown, list);
        EXPECT_EQ(format, Qt::PlainText);
    }
}

} // namespace
