#include "station/Ledger.h"
#include "station/ProductFile.h"
#include "station/RegistryVariables.h"
#include "station/Utils.h"

#include "tests/common/ScopedEnvironment.h"
#include "tests/common/TempDir.h"
#include "tests/common/TestDates.h"

#include <gtest/gtest.h>

namespace {

TEST(FileNameToDateTime, ConvertsProductNames)
{
    struct Case
    {
        const char* name;
        TDateTime expected;
    };
    const Case cases[] = {
        {"202106231315-crm.grb", At(2021, 6, 23, 13, 15)},
        {"202106232400-crm.grb", At(2021, 6, 24)},
        {"202112312400", At(2022, 1, 1)},
        {"202106231200", At(2021, 6, 23, 12)},
        {"202106231260-crm.grb", 0.0},  // minute 60
        {"202106232401-crm.grb", 0.0},  // hour 24 with minutes
        {"202106232500-crm.grb", 0.0},
        {"2021062312", 0.0},  // ten characters
        {"abcd06231200-crm.grb", 0.0},
        {"202102291200-crm.grb", 0.0},  // no 29 February in 2021
        {"2021 6231200-crm.grb", 0.0},  // a blank is not a digit
        {"202113011200-crm.grb", 0.0},
        {"", 0.0},
        {"notes=5", 0.0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FileNameToDateTime(c.name), c.expected) << c.name;
}

TEST(ParseLedgerLine, ReadsNameTimeAndDelay)
{
    const QString zeros99 = QString(98, '0') + '7';
    struct Case
    {
        QString line;
        bool parses;
        QString name;
        TDateTime nominal;
        std::optional<int32_t> seconds;
    };
    const Case cases[] = {
        {"202106231315-crm.grb=413", true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), 413},
        {"202106231315-crm.grb=-60", true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), -60},
        {"202106231315-crm.grb=abc", true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), std::nullopt},
        {"202106231315-crm.grb=", true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), std::nullopt},
        {"notes=5", true, "notes", 0.0, 5},
        {"=5", true, "", 0.0, 5},
        {"a=b=5", true, "a", 0.0, std::nullopt},  // the first "=" ends the name
        {"202106231315-crm.grb=" + zeros99, true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), 7},
        {"202106231315-crm.grb=" + zeros99 + "1", true, "202106231315-crm.grb", At(2021, 6, 23, 13, 15), 7},
        {"no separator", false, "", 0.0, std::nullopt},
        {"", false, "", 0.0, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<TLedgerEntry> entry = ParseLedgerLine(c.line);
        ASSERT_EQ(entry.has_value(), c.parses) << c.line.toStdString();
        if (!entry)
            continue;
        EXPECT_EQ(entry->Name, c.name) << c.line.toStdString();
        EXPECT_EQ(entry->Nominal, c.nominal) << c.line.toStdString();
        EXPECT_EQ(entry->Seconds, c.seconds) << c.line.toStdString();
    }
}

TEST(ProductNameOf, LowerCasesAndRefusesWhatTheLedgerCannotHold)
{
    using P = TProductName::TProblem;
    struct Case
    {
        QByteArray raw;
        QString name;
        P problem;
    };
    const Case cases[] = {
        {"202106231200-CRM.GRB", "202106231200-crm.grb", P::None},
        {"2\xC3\x89-CRM", QString::fromUtf8("2\xC3\x89-crm"), P::None},  // only ASCII letters change
        {"2021\xE4-crm.grb", "", P::NotUtf8},
        {"a=5-crm.grb", "", P::NotRecordable},
        {QByteArray("a\rb", 3), "", P::NotRecordable},
        {"", "", P::NotRecordable},
    };
    for (const Case& c : cases) {
        const TProductName product = ProductNameOf(c.raw);
        EXPECT_EQ(product.Problem, c.problem) << c.raw.toStdString();
        EXPECT_EQ(product.Name, c.name) << c.raw.toStdString();
    }
    EXPECT_EQ(LedgerLine("202106231200-crm.grb", {1'624'450'000'500, 1'624'450'000'000, true}),
              "202106231200-crm.grb=0");
    EXPECT_EQ(LedgerLine("202106231200-crm.grb", {1'624'450'001'500, 1'624'450'000'000, true}),
              "202106231200-crm.grb=2");
}

TEST(DayOfYearUTC, CountsFromTheFirstOfJanuary)
{
    EXPECT_EQ(DayOfYearUTC(At(2021, 1, 1, 12)), 1);
    EXPECT_EQ(DayOfYearUTC(At(2021, 12, 31)), 365);
    EXPECT_EQ(DayOfYearUTC(At(2020, 12, 31)), 366);
    EXPECT_EQ(DayOfYearUTC(At(2021, 6, 23)), 174);
    EXPECT_EQ(DayOfYearUTC(1e12), 0);
}

class SettingsTest : public ::testing::Test
{
protected:
    void SetUp() override { CompanyKey = "Ashgrove"; }
    TempDir FDir;
    TScopedEnvironment FConfigHome{"XDG_CONFIG_HOME", QFile::encodeName(FDir.Path())};
};

TEST_F(SettingsTest, ReadsTheImagesPathOfTheCompanyKey)
{
    EXPECT_EQ(ReadRegistryString("Datawarden", "ImagesPath"), "");  // no file: empty, no error
    FDir.Write("Ashgrove/Datawarden.conf", "[General]\nImagesPath=/data/images/\n");
    QString error;
    EXPECT_EQ(ReadRegistryString("Datawarden", "ImagesPath", &error), "/data/images/");
    EXPECT_TRUE(error.isEmpty());
    CompanyKey = "Fernleigh";
    EXPECT_EQ(ReadRegistryString("Datawarden", "ImagesPath"), "");
    FDir.Write("Fernleigh/Datawarden.conf",
               "[General]\nImagesPath=/other/\nCount=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\n");
    EXPECT_EQ(ReadRegistryString("Datawarden", "ImagesPath"), "/other/");
    EXPECT_EQ(ReadRegistryString("Datawarden", "Count"), "");  // not a string
    EXPECT_EQ(ReadRegistryString("Datawarden", "Missing"), "");
}

TEST_F(SettingsTest, AValueThatIsNotAStringIsAFailureAMissingOneIsNot)
{
    FDir.Write("Ashgrove/Datawarden.conf",
               "[General]\nImagesPath=/data/\nCount=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)\nList=a, b\n");
    struct Case
    {
        const char* name;
        const char* value;
        bool failure;
    };
    const Case cases[] = {
        {"ImagesPath", "/data/", false},
        {"Missing", "", false},
        {"Count", "", true},
        {"List", "", true},
    };
    for (const Case& c : cases) {
        QString error;
        EXPECT_EQ(ReadRegistryString("Datawarden", c.name, &error), c.value) << c.name;
        EXPECT_EQ(!error.isEmpty(), c.failure) << c.name << ": " << error.toStdString();
    }
}

}  // namespace
