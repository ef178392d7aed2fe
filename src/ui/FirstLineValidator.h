#pragma once
#include <QValidator>

// One-line fields take text pasted or dropped into them up to its first line
// break, as one-line fields on other desktops do: a line break in a setting
// would end its line in the settings file.
class FirstLineValidator : public QValidator
{
    Q_OBJECT
  public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;
};
