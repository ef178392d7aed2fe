// The editor state without a window: the load sequence and its
// conversions, the formula lines' synchronisation, the kept formats and the
// values a save writes.
#include "editor/EditorState.h"

#include "settings/IniDocument.h"
#include "settings/SettingsFile.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace
{

SettingsSnapshot FileOf(const QByteArray &lines)
{
    return SettingsSnapshot(IniDocument::fromBytes("[Optionen]\r\n" + lines));
}

QString SavedValue(const SaveValues &values, Key key)
{
    for (const auto &[k, text] : values) {
        if (k == key)
            return text;
    }
    return QStringLiteral("<missing>");
}

std::vector<Key> Announced(const QSignalSpy &spy)
{
    std::vector<Key> keys;
    for (const QList<QVariant> &call : spy)
        keys.push_back(call.at(0).value<Key>());
    return keys;
}

const QByteArray kTwoColumns =
    R"({"1":{"schriftname":"Arial","schriftgroesse":"24","farbe":"#FF0000","fett":"true","ausrichtung":"rechts","anzahlzeichen":"5"})"
    R"("2":{"schriftname":"Tahoma","schriftgroesse":"12","farbe":"#00FF00","fett":"false","ausrichtung":"links","anzahlzeichen":"9"}})";

} // namespace

TEST(EditorStateLoad, AnnouncesEveryValueOfItsKeySetInTheLoadOrder)
{
    const std::vector<Key> connection = {Key::ZQHost,       Key::ZQHostOLS,    Key::ZQKundennummer,
                                         Key::ZQKDPasswort, Key::ZQVAPasswort, Key::ZQVANummer};
    const std::vector<Key> look = {Key::VollBild,         Key::AnzahlZeilen,  Key::TimeoutleereZeile,
                                   Key::HintergrundFarbe, Key::TimeoutLogo,   Key::TransparenzLogo,
                                   Key::ZweiteZeileFarbe, Key::InfoZeile,     Key::mitUeberschrift,
                                   Key::mitStartNrInfo,   Key::SNRInfoFelder, Key::StartNrInFeld,
                                   Key::erstesEF,         Key::letztesEF};
    EditorState state;
    QSignalSpy spy(&state, &EditorState::valueChanged);
    state.load(FileOf(""), EditorState::KeySet::All);
    std::vector<Key> all = connection;
    all.insert(all.end(), look.begin(), look.end());
    EXPECT_EQ(Announced(spy), all);

    // A layout sets the look only; the connection stays as loaded.
    state.setValue(Key::ZQHost, QStringLiteral("10.0.0.9"));
    spy.clear();
    state.clearColumns();
    spy.clear();
    state.load(FileOf("ZQHost=anders\r\n"), EditorState::KeySet::Layout);
    EXPECT_EQ(Announced(spy), look);
    EXPECT_EQ(state.value(Key::ZQHost), QStringLiteral("10.0.0.9"));
}

struct StoredText {
    const char *line;
    Key key;
    const char *held;
};

class EditorStateConversion : public ::testing::TestWithParam<StoredText>
{
};

TEST_P(EditorStateConversion, HoldsTheTextTheControlShows)
{
    EditorState state;
    state.load(FileOf(QByteArray(GetParam().line) + "\r\n"), EditorState::KeySet::All);
    EXPECT_EQ(state.value(GetParam().key), QString::fromUtf8(GetParam().held));
    // The save writes what is held.
    EXPECT_EQ(SavedValue(state.valuesToSave(FileOf("")), GetParam().key), QString::fromUtf8(GetParam().held));
}

INSTANTIATE_TEST_SUITE_P(Keys, EditorStateConversion,
                         ::testing::Values(StoredText{"AnzahlZeilen=$1F", Key::AnzahlZeilen, "31"},
                                           StoredText{"AnzahlZeilen=abc", Key::AnzahlZeilen, "20"},
                                           StoredText{"TransparenzLogo=300", Key::TransparenzLogo, "255"},
                                           StoredText{"TransparenzLogo=-5", Key::TransparenzLogo, "0"},
                                           StoredText{"TransparenzLogo=$10", Key::TransparenzLogo, "16"},
                                           StoredText{"VollBild=", Key::VollBild, "nein"},
                                           StoredText{"ZQHostOLS=Ja", Key::ZQHostOLS, "ja"},
                                           StoredText{"HintergrundFarbe=#12345678", Key::HintergrundFarbe,
                                                      "#12345678"},
                                           StoredText{"ZQVANummer=\xE4 b", Key::ZQVANummer, "\xC3\xA4 b"},
                                           StoredText{"Unbekannt=1", Key::ZQVANummer, "auto"}));

TEST(EditorStateFormulaLine, KeepsItsTablesInStepWhenItChanges)
{
    EditorState state;
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=A,B\r\n"), EditorState::KeySet::All);
    EXPECT_EQ(state.mt_spalten.RecordCount(), 2);
    EXPECT_EQ(state.mt_ueberschrift.RecordCount(), 2);
    EXPECT_EQ(state.columnCountText(Key::InfoZeile), QStringLiteral("(Anzahl Spalten = 2)"));

    QSignalSpy values(&state, &EditorState::valueChanged);
    QSignalSpy synced(&state, &EditorState::synchronised);
    state.setValue(Key::InfoZeile, QStringLiteral("A,B,\"C,D\""));
    EXPECT_EQ(values.size(), 1);
    EXPECT_EQ(synced.size(), 1);
    EXPECT_EQ(state.mt_spalten.RecordCount(), 3);
    EXPECT_EQ(state.mt_ueberschrift.RecordCount(), 3);
    EXPECT_EQ(state.InfoColumns.items(), QStringList({"A", "B", "\"C,D\""}));
    EXPECT_EQ(state.columnCountText(Key::InfoZeile), QStringLiteral("(Anzahl Spalten = 3)"));

    // The same text again is no change: no announcement, no synchronisation.
    state.setValue(Key::InfoZeile, QStringLiteral("A,B,\"C,D\""));
    EXPECT_EQ(values.size(), 1);
    EXPECT_EQ(synced.size(), 1);

    state.setValue(Key::SNRInfoFelder, QStringLiteral("X,Y,Z,W"));
    EXPECT_EQ(state.mt_snrInfo.RecordCount(), 4);
    EXPECT_EQ(state.columnCountText(Key::SNRInfoFelder), QStringLiteral("(Anzahl Spalten = 4)"));
}

TEST(EditorStateFormulaLine, ClearColumnsGoesBackToWhatTheStartMeets)
{
    EditorState state;
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=A,B\r\n"), EditorState::KeySet::All);
    state.clearColumns();
    EXPECT_EQ(state.mt_spalten.RecordCount(), 0);
    EXPECT_EQ(state.mt_ueberschrift.RecordCount(), 0);
    EXPECT_EQ(state.mt_snrInfo.RecordCount(), 0);
    EXPECT_TRUE(state.value(Key::InfoZeile).isEmpty());
    EXPECT_TRUE(state.columnCountText(Key::InfoZeile).isEmpty());
    // The layout's formula line is then a change, even when it is the old one.
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=A,B\r\n"),
               EditorState::KeySet::Layout);
    EXPECT_EQ(state.mt_spalten.RecordCount(), 2);
}

TEST(EditorStateSave, WritesTheValuesInKeyTableOrder)
{
    EditorState state;
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=A,B\r\n"), EditorState::KeySet::All);
    const SaveValues values = state.valuesToSave(FileOf(""));
    ASSERT_EQ(values.size(), kKeys.size());
    for (size_t i = 0; i < kKeys.size(); ++i)
        EXPECT_EQ(values[i].first, kKeys[i].key);
    // The format as the display program reads it: values quoted, no spalte.
    const QString spalten = SavedValue(values, Key::InfoZeileFormat);
    EXPECT_TRUE(spalten.startsWith(QStringLiteral("{\"1\":{\"schriftname\":\"Arial\"")))
        << spalten.toStdString();
    EXPECT_FALSE(spalten.contains(QStringLiteral("spalte")));
}

TEST(EditorStateSave, KeepsAStoredFormatItCouldNotReadUntilItsColumnsChange)
{
    const QByteArray broken = R"({"1":{"schriftname":"Arial")";
    const SettingsSnapshot file = FileOf("InfoZeileFormat=" + broken + "\r\nInfoZeile=A,B\r\n");
    EditorState state;
    std::vector<Key> refused;
    state.load(file, EditorState::KeySet::All, {{}, [&refused](Key key) { refused.push_back(key); }});
    EXPECT_EQ(refused, std::vector<Key>{Key::InfoZeileFormat});
    EXPECT_EQ(state.unreadableFormats(), refused);
    EXPECT_EQ(SavedValue(state.valuesToSave(file), Key::InfoZeileFormat), QString::fromUtf8(broken));
    // What a layout takes is what the panels show.
    EXPECT_TRUE(SavedValue(state.valuesWithoutKeptFormats(file), Key::InfoZeileFormat).startsWith(u'{'));
    EXPECT_NE(SavedValue(state.valuesWithoutKeptFormats(file), Key::InfoZeileFormat),
              QString::fromUtf8(broken));

    state.setValue(Key::InfoZeile, QStringLiteral("A,B,C"));
    const QString written = SavedValue(state.valuesToSave(file), Key::InfoZeileFormat);
    EXPECT_NE(written, QString::fromUtf8(broken));
    EXPECT_TRUE(written.contains(QStringLiteral("\"3\":"))) << written.toStdString();
}

TEST(EditorStateSave, RowReactionsStayDetachedOnlyWhileTheFormatsGoIn)
{
    EditorState state;
    int followed = 0;
    state.setRowReaction(Key::InfoZeileFormat, [&followed] { ++followed; });
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=A,B\r\n"), EditorState::KeySet::All);
    const int afterLoad = followed;
    EXPECT_TRUE(state.mt_spalten.hasAfterScroll());
    state.mt_spalten.Next();
    EXPECT_EQ(followed, afterLoad + 1);
    // Writing a document walks the table without moving the lists, and
    // leaves the cursor where it was.
    const int row = state.mt_spalten.RecNo();
    state.formatDocument(state.mt_spalten);
    EXPECT_EQ(followed, afterLoad + 1);
    EXPECT_EQ(state.mt_spalten.RecNo(), row);
}

// An undo step keeps a snapshot; restoring it gives back what a save writes,
// the tables' rows and cursors, whatever happened in between: values, a
// formula line that resized the tables, a row edited and left in edit state.
TEST(EditorStateSnapshot, RestoreGivesBackWhatASaveWritesAndTheCursors)
{
    const SettingsSnapshot file =
        FileOf("InfoZeileFormat=" + kTwoColumns +
               "\r\nInfoZeile=Startnr,[Name]\r\nAnzahlZeilen=7\r\nmitUeberschrift=ja\r\n");
    EditorState state;
    state.load(file, EditorState::KeySet::All);
    state.mt_spalten.Next();
    const SaveValues before = state.valuesToSave(file);
    const EditorSnapshot snapshot = state.snapshot();

    state.setValue(Key::AnzahlZeilen, QStringLiteral("12"));
    state.setValue(Key::InfoZeile, QStringLiteral("Startnr,[Name],[Verein],[Zeit]"));
    ASSERT_EQ(state.mt_spalten.RecordCount(), 4);
    state.mt_spalten.First();
    state.mt_spalten.Edit();
    state.mt_spalten.setInteger(SpaltenField::Anzahlzeichen, 40);
    ASSERT_NE(state.valuesToSave(file), before);

    QSignalSpy values(&state, &EditorState::valueChanged);
    state.restore(snapshot);
    EXPECT_EQ(state.valuesToSave(file), before);
    EXPECT_EQ(state.mt_spalten.State(), TableState::Browse);
    EXPECT_EQ(state.mt_spalten.RecNo(), 2);
    EXPECT_EQ(state.snapshot(), snapshot);
    EXPECT_EQ(state.columnCountText(Key::InfoZeile), QStringLiteral("(Anzahl Spalten = 2)"));
    EXPECT_EQ(Announced(values), (std::vector<Key>{Key::InfoZeile, Key::AnzahlZeilen}));
    // Restoring what is there already changes and announces nothing.
    QSignalSpy tables(&state, &EditorState::tableChanged);
    values.clear();
    state.restore(snapshot);
    EXPECT_TRUE(values.isEmpty());
    EXPECT_TRUE(tables.isEmpty());
}

// A step costs what it changed: snapshots one after the other share the
// rows and tables that stayed as they were.
TEST(EditorStateSnapshot, SharesWhatDidNotChange)
{
    EditorState state;
    state.load(FileOf("InfoZeileFormat=" + kTwoColumns + "\r\nInfoZeile=Startnr,[Name]\r\n"),
               EditorState::KeySet::All);
    const EditorSnapshot first = state.snapshot();
    state.mt_spalten.Next();
    state.mt_spalten.Edit();
    state.mt_spalten.setInteger(SpaltenField::Anzahlzeichen, 11);
    state.mt_spalten.Post();
    const EditorSnapshot second = state.snapshot(&first);
    EXPECT_FALSE(second.sameContent(first));
    EXPECT_EQ(second.tables[0]->rows[0], first.tables[0]->rows[0]); // the same row, not a copy
    EXPECT_NE(second.tables[0]->rows[1], first.tables[0]->rows[1]);
    EXPECT_EQ(second.tables[1]->rows, first.tables[1]->rows); // the heading rows untouched
    EXPECT_EQ(second.tables[2], first.tables[2]);             // the info table not even moved
}
