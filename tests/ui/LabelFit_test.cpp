#include "support/ShownWindow.h"
#include "ui/BoundControls.h"
#include "ui/DarstellungPage.h"
#include "ui/PageWidgets.h"
#include "ui/StartnummernInfoPage.h"
#include "ui/Tf_root.h"
#include "ui/Translations.h"
#include "ui/UeberschriftPage.h"
#include "ui/VerbindungPage.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

// Every caption is shown whole with the fonts this machine gives the window
// (Tahoma is substituted where it is missing), and lies inside its page.

namespace
{

// With VAD_TEST_ENGLISH set, every case measures the English captions: in
// English a caption may only take free space, as the German one does.
class EnglishWhenAsked : public ::testing::Environment
{
  public:
    void SetUp() override
    {
        if (qEnvironmentVariableIsSet("VAD_TEST_ENGLISH"))
            Speak(*QCoreApplication::instance(), InterfaceLanguage::English);
    }
};
[[maybe_unused]] ::testing::Environment *const kEnglishWhenAsked =
    ::testing::AddGlobalTestEnvironment(new EnglishWhenAsked);

// Widest word of a text, for word-wrapped labels.
int WidestWord(const QFontMetrics &fm, const QString &text)
{
    int widest = 0;
    for (const QString &word : text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        widest = std::max(widest, fm.horizontalAdvance(word));
    return widest;
}

// Why the text does not fit its widget, or nothing.
QString Misfit(QWidget *w)
{
    const QString name =
        w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : w->objectName();
    if (auto *label = qobject_cast<QLabel *>(w)) {
        if (label->text().isEmpty())
            return {};
        const QRect inside = label->contentsRect();
        if (label->wordWrap()) {
            const int word = WidestWord(label->fontMetrics(), label->text());
            if (word > inside.width())
                return QStringLiteral("%1: a word %2 px wide in %3 px")
                    .arg(name)
                    .arg(word)
                    .arg(inside.width());
            const int height = label->heightForWidth(label->width());
            if (height > label->height())
                return QStringLiteral("%1: %2 px high in %3 px").arg(name).arg(height).arg(label->height());
            return {};
        }
        const QSize need = label->sizeHint();
        if (need.width() > label->width() || label->fontMetrics().height() > label->height() + 1)
            return QStringLiteral("%1 \"%2\": needs %3 x %4, has %5 x %6")
                .arg(name, label->text())
                .arg(need.width())
                .arg(label->fontMetrics().height())
                .arg(label->width())
                .arg(label->height());
        return {};
    }
    if (auto *button = qobject_cast<QAbstractButton *>(w)) {
        const QSize need = button->sizeHint();
        if (need.width() > button->width())
            return QStringLiteral("%1 \"%2\": needs %3 px, has %4")
                .arg(name, button->text())
                .arg(need.width())
                .arg(button->width());
    }
    return {};
}

TEST(LabelFit, EveryCaptionShowsWholeInsideItsPage)
{
    SubstituteTahoma(); // as the program does before it makes the window
    ShownWindow shown;
    Tf_root &w = shown.w;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    // Measured with the font the program really gets, not with a fallback
    // that no operator sees.
    const QString family = QFontInfo(w.TabSheet2->font()).family();
    std::printf("window font: %s\n", qPrintable(family));
    EXPECT_TRUE(QStringList({"Tahoma", "Liberation Sans", "Nimbus Sans", "DejaVu Sans"}).contains(family))
        << family.toStdString();

    QStringList misfits;
    int checked = 0;
    for (QWidget *page : {static_cast<QWidget *>(w.TabSheet1), static_cast<QWidget *>(w.TabSheet2),
                          static_cast<QWidget *>(w.TabSheet3), static_cast<QWidget *>(w.TabSheet4)}) {
        w.P_Einstellungen->setCurrentWidget(page);
        // Both connection modes show other captions.
        for (bool online : {false, true}) {
            (online ? w.TabSheet1->rb_imInet : w.TabSheet1->rb_lokal)->setChecked(true);
            const QRect pageRect(QPoint(0, 0), page->size());
            for (QWidget *child : page->findChildren<QWidget *>()) {
                if (!child->isVisibleTo(page) || dynamic_cast<BoundText *>(child))
                    continue; // bound texts show data, not captions
                if (!qobject_cast<QLabel *>(child) && !qobject_cast<QAbstractButton *>(child))
                    continue;
                ++checked;
                if (const QString why = Misfit(child); !why.isEmpty())
                    misfits << page->objectName() + ": " + why;
                const QRect r(child->mapTo(page, QPoint(0, 0)), child->size());
                if (!pageRect.contains(r))
                    misfits << QStringLiteral("%1: %2 at %3,%4 %5 x %6 leaves the page %7 x %8")
                                   .arg(page->objectName(), child->objectName())
                                   .arg(r.x())
                                   .arg(r.y())
                                   .arg(r.width())
                                   .arg(r.height())
                                   .arg(pageRect.width())
                                   .arg(pageRect.height());
            }
        }
    }
    for (QPushButton *button : {w.b_ende, w.b_vorschau})
        if (const QString why = Misfit(button); !why.isEmpty())
            misfits << why;
    misfits.removeDuplicates();
    EXPECT_GT(checked, 20);
    EXPECT_TRUE(misfits.isEmpty()) << misfits.join('\n').toStdString();
}

} // namespace
