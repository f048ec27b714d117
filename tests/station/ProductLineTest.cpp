// The scan's byte-level ledger line is the one ProductNameOf and LedgerLine make.
#include "station/ProductFile.h"

#include <gtest/gtest.h>

namespace {

TEST(ProductLine, BytesGiveTheLineOfTheNameRules)
{
    const QByteArray names[] = {"202106231200-CRM.GRB",
                                "202106231200-crm.grb",
                                "2=9crm.grb",
                                "a\rb",
                                "a\nb",
                                QByteArray("a\0b", 3),
                                "",
                                "caf\xC3\xA9-CRM.grb",
                                "bad\xFF.grb",
                                "\xC3\x89T\xC3\xA9.GRB",
                                "x",
                                QByteArray(255, 'Q')};
    const TFileTimes times[] = {{1000, 0, true}, {0, 1500, true}, {-7200500, 0, false}, {123456789, 123, true}};
    QByteArray line("stale text");
    for (const QByteArray& raw : names) {
        for (const TFileTimes& t : times) {
            const TProductName expected = ProductNameOf(raw);
            qsizetype nameLength = -1;
            const TProductName::TProblem problem = ProductLineUtf8(raw, t, line, nameLength);
            ASSERT_EQ(problem, expected.Problem) << raw.toHex().toStdString();
            if (problem != TProductName::TProblem::None)
                continue;
            EXPECT_EQ(QString::fromUtf8(line), LedgerLine(expected.Name, t)) << raw.toHex().toStdString();
            EXPECT_EQ(QString::fromUtf8(line.left(nameLength)), expected.Name);
        }
    }
}

}  // namespace
