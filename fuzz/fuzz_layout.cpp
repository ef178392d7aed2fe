// Any bytes as a layout file: the reader refuses with a Failure or gives a
// layout of exactly the 17 keys with values a settings file can hold, which
// written and read again is the same layout.
#include "FuzzSupport.h"

#include "base/Failure.h"
#include "layout/LayoutFile.h"

namespace
{

bool FitsOneLine(const QString &text)
{
    return !text.contains(u'\r') && !text.contains(u'\n') && !text.contains(QChar(0));
}

void Check(const QByteArray &bytes)
{
    Layout layout;
    try {
        layout = LayoutFromJson(bytes);
    } catch (const Failure &failure) {
        FUZZ_CHECK(!failure.message().isEmpty(), "a refusal says why");
        return;
    }
    FUZZ_CHECK(layout.values.size() == kLayoutKeys.size(), "exactly the layout keys");
    for (size_t i = 0; i < kLayoutKeys.size(); ++i) {
        FUZZ_CHECK(layout.values[i].first == kLayoutKeys[i], "in the key table's order");
        FUZZ_CHECK(FitsOneLine(layout.values[i].second), "no value breaks a line of the settings file");
    }
    FUZZ_CHECK(layout.created.isValid() && layout.created.timeSpec() == Qt::UTC, "a UTC time");
    FUZZ_CHECK(layout.logoPng.size() <= LayoutLogoBudget(), "the logo within its budget");

    const Layout again = LayoutFromJson(LayoutToJson(layout));
    FUZZ_CHECK(again.values == layout.values, "values survive writing and reading");
    FUZZ_CHECK(again.name == layout.name, "the name survives");
    FUZZ_CHECK(again.created.toSecsSinceEpoch() == layout.created.toSecsSinceEpoch(), "the time survives");
    FUZZ_CHECK(again.logoPng == layout.logoPng, "the logo survives");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Check(FuzzBytes(data, size));
    return 0;
}
