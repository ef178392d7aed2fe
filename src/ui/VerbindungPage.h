#pragma once
#include <QWidget>

class CueLineEdit;
class EditorState;
class QRadioButton;

// "Verbindung": the results server on the local network, or the online
// event service with customer number and password; the event to follow.
class VerbindungPage : public QWidget
{
    Q_OBJECT
  public:
    explicit VerbindungPage(QWidget *parent = nullptr);

    CueLineEdit *e_server;
    QRadioButton *rb_lokal;
    QRadioButton *rb_imInet;
    CueLineEdit *e_kundennummer;
    CueLineEdit *e_kdpasswort;
    CueLineEdit *e_vapasswort;
    CueLineEdit *e_vanr;

    // Shows the state's connection values and puts edits into it.
    void bind(EditorState &state);

    void rb_lokalClick();
    void rb_imInetClick();

  protected:
    void paintEvent(QPaintEvent *event) override;

  private:
    static void setFieldVisible(CueLineEdit *field, bool visible);
};
