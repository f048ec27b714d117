// The scanner's mask comma text: any text parses; what it reads back parses to
// the same list; a lone FileMask is one entry, read back intact.
#include "scan/TreeScan.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TTreeScanner scanner;
    scanner.SetFileMaskCommaText(text);
    const QStringList masks = scanner.FileMasks();
    const QString written = scanner.FileMaskCommaText();
    scanner.SetFileMaskCommaText(written);
    if (scanner.FileMasks() != masks || scanner.FileMaskCommaText() != written)
        std::abort();
    // Text that holds anything but separators before its end gives an entry.
    const QString beforeNul = text.left(text.indexOf(QChar(0)) < 0 ? text.size() : text.indexOf(QChar(0)));
    bool anyEntryText = false;
    for (QChar c : beforeNul)
        anyEntryText = anyEntryText || c.unicode() > 32;
    if (anyEntryText == masks.isEmpty())
        std::abort();
    if (!text.contains(QChar(0))) {
        scanner.SetFileMask(text);
        if (scanner.FileMasks() != QStringList{text} || scanner.FileMask() != text)
            std::abort();
        scanner.SetFileMaskCommaText(scanner.FileMaskCommaText());
        if (scanner.FileMasks() != QStringList{text})
            std::abort();
    }
    return 0;
}
