#pragma once
#include "BoundControls.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QHash>
#include <QStringList>

#include <vector>

class QLabel;

// The installed font families for every writing system plus "Default",
// sorted without regard to letter case, each once. Enumerated once when the
// window is created and shared by the window's three font-name lists.
class FontNameModel : public QAbstractListModel
{
  public:
    static constexpr int ScalableRole = Qt::UserRole + 1;

    explicit FontNameModel(QObject *parent = nullptr);
    // For tests: a fixed list of (name, scalable).
    FontNameModel(const std::vector<std::pair<QString, bool>> &fonts, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;

    const QStringList &names() const { return m_names; }
    int indexOf(const QString &name) const; // ignoring letter case; -1 when not listed
    bool isScalable(int row) const { return m_scalable.at(size_t(row)); }

  private:
    void build(std::vector<std::pair<QString, bool>> fonts);

    QStringList m_names;
    std::vector<bool> m_scalable;
    QHash<QString, int> m_index; // case-folded name -> row
};

// A drop-down of font names that cannot be typed into. Each entry is drawn in
// the list's font, scalable fonts with a small mark in front; while it is
// open, a sample window beside it shows the example text in the highlighted
// font. Only the operator's choice emits changed().
class FontNameList : public QComboBox
{
    Q_OBJECT
  public:
    static QString ExampleText() { return QStringLiteral("88888 , DAZovozoved"); }
    static constexpr int ExampleFontSize = 14;

    explicit FontNameList(QWidget *parent = nullptr);

    void setFontModel(FontNameModel *model);
    FontNameModel *fontModel() const { return m_model; }
    // Selection by the program: the entry equal to name ignoring letter
    // case, or none; no change event.
    void selectName(const QString &name);
    QLabel *sampleWindow() const { return m_sample; }

    void showPopup() override;
    void hidePopup() override;

  signals:
    void changed();

  private:
    void showSample(int row);

    FontNameModel *m_model = nullptr;
    QLabel *m_sample = nullptr;
    QString m_selectedName; // the last name selected by the program
    int m_selectedRow = -1;
};

// The sizes of one font (FontName), the size shown (FontSize, typed or
// chosen) and the change event fired by every change of the text.
class FontSizeList : public QComboBox
{
    Q_OBJECT
  public:
    static constexpr int DefaultSize = 10;
    static const std::vector<int> &ScalableSizes();

    explicit FontSizeList(QWidget *parent = nullptr);

    void setFontModel(FontNameModel *model) { m_model = model; }
    void setGuard(GuardFn guard) { m_guard = std::move(guard); }

    const QString &FontName() const { return m_fontName; }
    void setFontName(const QString &name);
    int FontSize() const; // -1 for an empty text or no whole number
    void setFontSize(int size);
    const std::vector<int> &sizes() const { return m_sizes; }

  signals:
    void changed();

  protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    bool refuseKey(QKeyEvent *event) const;
    void refill();
    void leave();

    FontNameModel *m_model = nullptr;
    GuardFn m_guard;
    QString m_fontName;
    std::vector<int> m_sizes;
};
