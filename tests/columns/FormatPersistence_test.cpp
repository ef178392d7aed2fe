#include "columns/FormatPersistence.h"

#include "TableTestSupport.h"

#include <gtest/gtest.h>

namespace
{

TEST(CommitPendingEditsForSave, PostsTablesInEditStateInTheirOrder)
{
    FormatTable spalten("mt_spalten", FormatTable::SpaltenSchema());
    FormatTable kopf("mt_ueberschrift", FormatTable::UeberschriftSchema());
    FormatTable snr("mt_snrInfo", FormatTable::SnrInfoSchema());
    ViewLink dsSpalten(&spalten), dsKopf(&kopf), dsSnr(&snr);
    QStringList log;
    RecordingObserver oSpalten("spalten:"), oKopf("kopf:"), oSnr("snr:");
    for (RecordingObserver *o : {&oSpalten, &oKopf, &oSnr})
        o->log = &log;
    dsSpalten.addObserver(&oSpalten);
    dsKopf.addObserver(&oKopf);
    dsSnr.addObserver(&oSnr);
    for (FormatTable *t : {&spalten, &kopf, &snr}) {
        AddRow(*t, {"alt"});
        t->First();
        t->Edit();
        t->setText(0, "neu");
    }
    log.clear();
    CommitPendingEditsForSave(kopf, spalten, snr);
    for (FormatTable *t : {&spalten, &kopf, &snr}) {
        EXPECT_EQ(t->State(), TableState::Browse);
        EXPECT_EQ(RowTexts(*t, 0).at(0), "neu");
    }
    QStringList firstInputs;
    for (const QString &e : log)
        if (e.endsWith(":input") && !firstInputs.contains(e))
            firstInputs << e;
    EXPECT_EQ(firstInputs, QStringList({"kopf:input", "spalten:input", "snr:input"}));
}

TEST(PostIfEditing, LeavesBrowseAndInsertStatesAlone)
{
    FormatTable t("mt_snrInfo", FormatTable::SnrInfoSchema());
    EXPECT_NO_THROW(PostIfEditing(t)); // browse: Post would fail, so nothing is done
    t.Append();
    t.setText(0, "neu");
    PostIfEditing(t);
    EXPECT_EQ(t.State(), TableState::Insert);
    EXPECT_EQ(t.RecordCount(), 0);
}

} // namespace
