// The upgrade info file: key forms, url numbering and the newer-than decision.
#include "upgrade/UpgradeInfo.h"

#include <gtest/gtest.h>

using namespace up;

namespace {
const TDateTime kToday = EncodeDate(2026, 12, 10);
}

TEST(UpgradeInfo, KeyForms)
{
    const TUpgradeInfoFile info("junk\r\n#URL=http://Host/A.exe\r\n#method=2x\r\n"
                                "#message={line one\r\nline two} #tab=a\tb #high=\xd3\xce\xcf\xb7\x01 "
                                "#empty=\r\n#version=1\n#version=2\n#tail=end");
    EXPECT_EQ(info.LineValue("url"), "http://Host/A.exe"); // found in upper case, case kept
    EXPECT_EQ(info.BlockValue("message"), "line one\r\nline two");
    EXPECT_EQ(info.LineValue("tab"), "a");
    EXPECT_EQ(info.LineValue("high"), "\xd3\xce\xcf\xb7");
    EXPECT_EQ(info.LineValue("empty"), "");
    EXPECT_EQ(info.LineValue("missing"), "");
    EXPECT_EQ(info.LineValue("version"), "1"); // first occurrence only
    EXPECT_EQ(info.LineValue("tail"), "end");
    EXPECT_EQ(info.Method(), TekUpgradeMethod::umRedirectToURL);
    EXPECT_EQ(TUpgradeInfoFile("#message={open").BlockValue("message"), "open");
    EXPECT_EQ(TUpgradeInfoFile("#message=plain").BlockValue("message"), "");
}

// Where keys stand against one another: each value is the one a search of the text for
// "#key=" (lower-cased) finds first.
TEST(UpgradeInfo, KeysAmongOtherText)
{
    struct Case { const char* text; const char* key; const char* line; const char* block; };
    const Case cases[] = {
        {"##url=a", "url", "a", ""},
        {"#x#url=a", "url", "a", ""},                       // a "#" inside a candidate starts a new one
        {"#url#url=b", "url", "b", ""},
        {"#URL=A#url=B", "url", "A#url=B", ""},             // a value runs over a later key
        {"#url==x", "url", "=x", ""},
        {"#url={x}", "url", "{x}", "x"},
        {"#message=x\r#message={y}", "message", "x", "y"},   // the first block, after a line form
        {"#messages={z} #message=w", "message", "w", ""},
        {"#Message={M\r}", "message", "{M", "M\r"},
        {"#url1=a #url=b", "url", "b", ""},
        {"#url", "url", "", ""},
        {"#url=", "url", "", ""},
        {"#message={", "message", "{", ""},
        {"url=x #ur l=y", "url", "", ""},
        {"#u\nrl=x", "url", "", ""},
    };
    for (const Case& c : cases) {
        const TUpgradeInfoFile info(c.text);
        EXPECT_EQ(info.LineValue(c.key), c.line) << c.text;
        EXPECT_EQ(info.BlockValue(c.key), c.block) << c.text;
    }
}

// Addresses that run into one another keep their values while they are few; a chain that
// would repeat the text many times over is cut.
TEST(UpgradeInfo, AddressesRunningIntoOneAnother)
{
    using V = std::vector<AnsiString>;
    EXPECT_EQ(TUpgradeInfoFile("#url=a#url2=b#url3=c").Files(), (V{"a#url2=b#url3=c", "b#url3=c", "c"}));
    // 61 bytes of text; the nine values would hold 279.
    std::string chain;
    for (int n = 1; n <= 10; ++n)
        chain += "#url" + std::to_string(n) + "=";
    ASSERT_EQ(chain.size(), 61u);
    const V files = TUpgradeInfoFile(chain).Files();
    ASSERT_EQ(files.size(), 6u);
    EXPECT_EQ(files[0], chain.substr(6));
    EXPECT_EQ(files[5], "#url7=#url8=#url9=#url10=");
}

TEST(UpgradeInfo, MethodDigit)
{
    struct Case { const char* text; TekUpgradeMethod method; };
    const Case cases[] = {
        {"#method=1", TekUpgradeMethod::umUseExternalSetup},
        {"#method=2", TekUpgradeMethod::umRedirectToURL},
        {"#method=0", TekUpgradeMethod::umSelfUpgrade},
        {"#method=", TekUpgradeMethod::umSelfUpgrade},
        {"", TekUpgradeMethod::umSelfUpgrade},
        {"#method= 1", TekUpgradeMethod::umSelfUpgrade},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TUpgradeInfoFile(c.text).Method(), c.method) << c.text;
}

TEST(UpgradeInfo, UrlNumbering)
{
    using V = std::vector<AnsiString>;
    struct Case { const char* text; V files; };
    const Case cases[] = {
        {"#url=a\n#url1=b", V{"a"}},                       // after url the count goes on at url2
        {"#url=a\n#url2=b", V{"a", "b"}},
        {"#url1=a\n#url2=b\n#url4=c", V{"a", "b"}},
        {"#url=a\n#url0=b\n#url3=c\n#url4=d", V{"a", "b", "c", "d"}},
        {"#url0=b\n#url=a", V{"a", "b"}},                  // url before url0, wherever written
        {"#url=\n#url1=a", V{"a"}},                        // empty is missing
        {"#url10=x", V{}},
        {"#version=9", V{}},
        {"#message={#url=inside}", V{"inside}"}},          // keys count inside blocks too
    };
    for (const Case& c : cases)
        EXPECT_EQ(TUpgradeInfoFile(c.text).Files(), c.files) << c.text;
}

TEST(UpgradeInfo, NewerByNumber)
{
    struct Case { const char* file; const char* installed; bool newer; };
    const Case cases[] = {
        {"#version=5", "4", true},       {"#version=4.0", "4", false},  {"#version=4.0.1", "4", true},
        {"#version=4", "4", false},      {"#version=3.9", "4", false},  {"", "4", false},
        {"#version=", "4", false},       {"#version=4 \r\n", "4", false}, // trailing blank trimmed
        {"#version= 5 ", "4", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TUpgradeInfoFile(c.file).NewerByNumber(c.installed), c.newer) << c.file << " vs " << c.installed;
}

TEST(UpgradeInfo, NewerByDate)
{
    struct Case { const char* file; const char* installed; bool newer; };
    const Case cases[] = {
        {"#date=08/27/2011", "08/26/2011", true},
        {"#date=08/26/2011", "08/26/2011", false},
        {"#date=08/25/2011", "08/26/2011", false},
        {"#date=bad", "08/26/2011", true},    // reads as today
        {"", "12/10/2026", false},            // today against today
        {"#date=01/01/2030", "bad", true},    // installed reads as today
        {"#date=08/27/2011 \r\n", "08/26/2011", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TUpgradeInfoFile(c.file).NewerByDate(c.installed, kToday), c.newer) << c.file;
}

TEST(UpgradeInfo, ReleaseNeedsNewerAndFiles)
{
    const char* text = "#version=5\r\n#url=http://h/update/setup.exe\r\n#method=1\r\n#message={New\r\nrelease}";
    const TUpgradeRelease found = ReadUpgradeRelease(text, TUpgraderVersionControl::byNumber, "4", "", kToday);
    EXPECT_TRUE(found.updateFound);
    EXPECT_EQ(found.files, std::vector<AnsiString>{"http://h/update/setup.exe"});
    EXPECT_EQ(found.message, "New\r\nrelease");
    EXPECT_EQ(found.method, TekUpgradeMethod::umUseExternalSetup);

    const TUpgradeRelease current = ReadUpgradeRelease(text, TUpgraderVersionControl::byNumber, "5", "", kToday);
    EXPECT_FALSE(current.updateFound);
    EXPECT_EQ(current.message, "");
    EXPECT_EQ(current.method, TekUpgradeMethod::umSelfUpgrade);

    EXPECT_FALSE(ReadUpgradeRelease("#version=9", TUpgraderVersionControl::byNumber, "4", "", kToday).updateFound);
    EXPECT_TRUE(ReadUpgradeRelease("#date=01/01/2027\n#url=x", TUpgraderVersionControl::byDate, "", "08/26/2011",
                                   kToday).updateFound);
}

TEST(UpgradeInfo, DesignDataWritesWhatTheReaderReads)
{
    TUpgraderInfo info;
    info.Files()->Add("http://h/update/setup.exe");
    info.Files()->Add("http://h/update/data.pak");
    info.Files()->Add("http://h/update/readme.txt");
    info.UpgradeMethod = TekUpgradeMethod::umUseExternalSetup;
    info.UpgradeMsg = "Line one\r\nline two";
    const AnsiString text = "#version=5\r\n" + info.InfoFileText();
    const TUpgradeRelease release = ReadUpgradeRelease(text, TUpgraderVersionControl::byNumber, "4", "", kToday);
    ASSERT_TRUE(release.updateFound);
    EXPECT_EQ(release.files, (std::vector<AnsiString>{"http://h/update/setup.exe", "http://h/update/data.pak",
                                                      "http://h/update/readme.txt"}));
    EXPECT_EQ(release.method, TekUpgradeMethod::umUseExternalSetup);
    EXPECT_EQ(release.message, "Line one\r\nline two");

    TUpgraderInfo copy;
    copy.Assign(info);
    EXPECT_EQ(copy.InfoFileText(), info.InfoFileText());
    // Published for form resources.
    EXPECT_NE(TUpgraderInfo::StaticClass().FindProperty("files"), nullptr);
    EXPECT_NE(TUpgraderInfo::StaticClass().FindProperty("UpgradeMethod"), nullptr);
    EXPECT_NE(TUpgraderInfo::StaticClass().FindProperty("UpgradeMsg"), nullptr);
}
