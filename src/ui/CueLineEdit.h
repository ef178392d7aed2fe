#pragma once
#include <QLineEdit>

// A one-line text field as the pages use it: a grey cue text while it is
// empty and unfocused, an optional "~" mask, an optional digits-only rule for
// typed characters and a length limit that limits typing only: text the
// program puts in stays whole.
class CueLineEdit : public QLineEdit
{
    Q_OBJECT
  public:
    explicit CueLineEdit(QWidget *parent = nullptr);

    void setCueText(const QString &cue);
    QString cueText() const { return m_cue; }
    void setMasked(bool masked);
    void setDigitsOnly(bool digitsOnly) { m_digitsOnly = digitsOnly; }
    bool digitsOnly() const { return m_digitsOnly; }
    // Maximum number of characters the operator can type; 0 for none.
    void setLimit(int limit);
    int limit() const { return m_limit; }

    // Puts a text in as the program does: never cut to the limit, and the
    // change reaction runs only when the text differs.
    void setProgramText(const QString &text);

  protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

  private:
    void applyLimit();
    static bool onlyDigits(const QString &text);

    QString m_cue;
    bool m_digitsOnly = false;
    int m_limit = 0;
};
