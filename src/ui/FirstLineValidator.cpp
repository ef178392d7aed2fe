#include "FirstLineValidator.h"

namespace
{

qsizetype firstLineBreak(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' || text[i] == u'\n')
            return i;
    }
    return -1;
}

} // namespace

QValidator::State FirstLineValidator::validate(QString &input, int &pos) const
{
    // The field held no line break before, so the first one lies in what was
    // just inserted, which ends at the cursor: keep the text before the break
    // and everything after the insertion.
    for (qsizetype brk = firstLineBreak(input); brk >= 0; brk = firstLineBreak(input)) {
        const qsizetype end = std::max<qsizetype>(pos, brk + 1);
        input.remove(brk, end - brk);
        pos = int(brk);
    }
    return Acceptable;
}
