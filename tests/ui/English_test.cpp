#include "support/ShownWindow.h"
#include "ui/ColumnPanel.h"
#include "ui/DarstellungPage.h"
#include "ui/PanelGrid.h"
#include "ui/Translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QTabBar>
#include <QTest>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

// The window in English: every caption that has an English text shows it,
// and the German window (no translator, as without an English desktop)
// shows the German source texts unchanged.

namespace
{

// Source text -> English, from the translation file in the repository.
QMap<QString, QString> Translations()
{
    QFile file(QStringLiteral(VAD_TS_FILE));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << VAD_TS_FILE;
    QMap<QString, QString> english;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"source")
            source = xml.readElementText();
        else if (xml.name() == u"translation")
            english.insert(source, xml.readElementText());
    }
    EXPECT_FALSE(xml.hasError()) << qPrintable(xml.errorString());
    return english;
}

// Every caption the window shows: labels, buttons, tabs, tooltips, actions,
// by the object path that finds the same control in another window.
QMap<QString, QString> Captions(Tf_root &w)
{
    QMap<QString, QString> captions;
    const auto pathOf = [&w](QObject *o) {
        QStringList parts;
        for (; o && o != &w; o = o->parent())
            parts.prepend(o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className())
                                                    : o->objectName());
        return parts.join(u'/');
    };
    for (QLabel *label : w.findChildren<QLabel *>())
        if (!label->text().isEmpty())
            captions.insert(pathOf(label), label->text());
    for (QAbstractButton *button : w.findChildren<QAbstractButton *>())
        if (!button->text().isEmpty())
            captions.insert(pathOf(button), button->text());
    for (QWidget *widget : w.findChildren<QWidget *>())
        if (!widget->toolTip().isEmpty())
            captions.insert(pathOf(widget) + QStringLiteral("@tip"), widget->toolTip());
    for (QAction *action : w.findChildren<QAction *>())
        if (!action->text().isEmpty())
            captions.insert(pathOf(action), action->text());
    for (QTabBar *bar : w.findChildren<QTabBar *>())
        for (int i = 0; i < bar->count(); ++i)
            captions.insert(pathOf(bar) + QStringLiteral("#%1").arg(i), bar->tabText(i));
    return captions;
}

// The German captions of a few controls, as the window has always shown them.
const std::pair<const char *, const char16_t *> kGermanCaptions[] = {
    {"b_ende", u"speichern + schliessen"},
    {"b_vorschau", u"Vorschau"},
    {"b_layout", u"Layout"},
    {"pageScroller/qt_scrollarea_viewport/pageArea/P_Einstellungen/qt_tabwidget_tabbar#2", u"Überschrift"},
};

TEST(English, EveryTranslatedCaptionChangesAndGermanStaysAsItWas)
{
    const QMap<QString, QString> english = Translations();
    ASSERT_GT(english.size(), 50);

    QMap<QString, QString> german;
    {
        ShownWindow shown;
        german = Captions(shown.w);
        ASSERT_GT(german.size(), 30);
        // Without a translator the window shows the German source texts.
        for (const auto &[path, text] : kGermanCaptions) {
            ASSERT_TRUE(german.contains(QString::fromLatin1(path))) << path;
            EXPECT_EQ(german.value(QString::fromLatin1(path)), QString::fromUtf16(text)) << path;
        }
        EXPECT_EQ(shown.w.TabSheet2->dbcg_spalten->livePanel()->ausrichtung->itemText(1), "mitte");
    }
    int sourceTexts = 0;
    for (auto it = german.cbegin(); it != german.cend(); ++it)
        sourceTexts += english.contains(it.value());
    EXPECT_GT(sourceTexts, 30);

    Speak(*qApp, InterfaceLanguage::English);
    QMap<QString, QString> shownInEnglish;
    {
        ShownWindow shown;
        shownInEnglish = Captions(shown.w);
        BoundComboBox *ausrichtung = shown.w.TabSheet2->dbcg_spalten->livePanel()->ausrichtung;
        EXPECT_EQ(ausrichtung->itemText(1), "centre");
        EXPECT_EQ(ausrichtung->itemData(1).toString(), "mitte");
        EXPECT_EQ(shown.w.findChild<QAction *>(QStringLiteral("a_rueckgaengig"))->text(), "Undo");
    }
    Speak(*qApp, InterfaceLanguage::German);

    EXPECT_EQ(shownInEnglish.keys(), german.keys());
    QStringList leftGerman;
    for (auto it = german.cbegin(); it != german.cend(); ++it) {
        const auto tr = english.constFind(it.value());
        if (tr == english.cend() || *tr == it.value())
            continue; // data, or a word both languages share ("Logo")
        if (shownInEnglish.value(it.key()) != *tr)
            leftGerman << QStringLiteral("%1: \"%2\" shows \"%3\"")
                              .arg(it.key(), it.value(), shownInEnglish.value(it.key()));
    }
    EXPECT_TRUE(leftGerman.isEmpty()) << qPrintable(leftGerman.join(u'\n'));
    // No caption of the English window is a German text that has an English one.
    for (auto it = shownInEnglish.cbegin(); it != shownInEnglish.cend(); ++it) {
        const auto tr = english.constFind(it.value());
        EXPECT_TRUE(tr == english.cend() || *tr == it.value()) << qPrintable(it.key() + ": " + it.value());
    }
}

// With the English translator Qt's own buttons speak English, and the German
// choice brings back qtbase's German.
TEST(English, QtButtonsFollowTheLanguage)
{
    Speak(*qApp, InterfaceLanguage::English);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Cancel");
    EXPECT_EQ(QCoreApplication::translate("FormatFields", "Schriftgröße"), "Font size");
    Speak(*qApp, InterfaceLanguage::German);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Abbrechen");
    EXPECT_EQ(QCoreApplication::translate("FormatFields", "Schriftgröße"), "Schriftgröße");
}

} // namespace
