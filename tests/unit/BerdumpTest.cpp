// Runs the built berdump as a user would: arguments, standard input, exit
// status, standard output and standard error.
#include <gtest/gtest.h>

#include <QProcess>
#include <QStringList>
#include <string>

#include "asn1/Asn1.h"
#include "router/Oids.h"
#include "tools/berdump/HexText.h"

namespace {

// The GetRequest for the CPU load OID with an empty community and request-id 0.
constexpr const char* kRequest =
    "30 26 02 01 00 04 00 A0 1F 02 01 00 02 01 00 02 01 00 30 14 30 12 06 0E 2B 06 01 04 01 09 09 "
    "6D 01 01 01 01 06 01 05 00";
// Its answer: request-id 5, Gauge 7.
constexpr const char* kResponse =
    "30 27 02 01 00 04 00 A2 20 02 01 05 02 01 00 02 01 00 30 15 30 13 06 0E 2B 06 01 04 01 09 09 "
    "6D 01 01 01 01 06 01 42 01 07";

constexpr const char* kRequestDump =
    "sequence\n  integer 0\n  octetstring \n  implicit 0\n    integer 0\n    integer 0\n"
    "    integer 0\n    sequence\n      sequence\n        object 1.3.6.1.4.1.9.9.109.1.1.1.1.6.1\n"
    "        null\n";
constexpr const char* kResponseDump =
    "sequence\n  integer 0\n  octetstring \n  implicit 2\n    integer 5\n    integer 0\n"
    "    integer 0\n    sequence\n      sequence\n        object 1.3.6.1.4.1.9.9.109.1.1.1.1.6.1\n"
    "        integer 7\n";

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs berdump with `args`; `input` goes to its standard input, which is
// closed after it.
ToolRun Berdump(const QStringList& args, const std::string& input = {}) {
    QProcess process;
    // As text: on Windows a program's lines end in "\r\n".
    process.start(QStringLiteral(BERDUMP), args, QIODevice::ReadWrite | QIODevice::Text);
    if (!process.waitForStarted(10000)) return {};
    process.write(input.data(), static_cast<qint64>(input.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit) return {};
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

QStringList Words(const std::string& text) {
    return QString::fromStdString(text).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// One line on standard error, naming the reason.
void ExpectOneErrorLine(const ToolRun& run, const std::string& reason, const char* name) {
    EXPECT_EQ(run.status, 1) << name;
    ASSERT_FALSE(run.err.empty()) << name;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << name << ": " << run.err;
    EXPECT_NE(run.err.find(reason), std::string::npos) << name << ": " << run.err;
}

TEST(Berdump, DecodesTheRequestAndTheResponse) {
    const struct {
        const char* name;
        const char* hex;
        const char* dump;
    } cases[] = {
        {"request", kRequest, kRequestDump},
        {"response", kResponse, kResponseDump},
        {"unknown elements left out whole", "30 08 40 04 C0 A8 00 01 05 00", "sequence\n  null\n"},
    };
    for (const auto& c : cases) {
        ToolRun run = Berdump(Words(c.hex));
        EXPECT_EQ(run.status, 0) << c.name << ": " << run.err;
        EXPECT_EQ(run.out, c.dump) << c.name;
        EXPECT_EQ(run.err, "") << c.name;
    }
}

TEST(Berdump, ReadsStandardInputWhenThereAreNoArguments) {
    // Lower case, runs of digits, line breaks and tabs, a digit pair split by a space.
    const std::string input =
        "3027020100040\t0a220020105020100020100\n3015301306\r\n0e2b0601040109096d010101010601 4 2 "
        "0107\n";
    ToolRun run = Berdump({}, input);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kResponseDump);
}

TEST(Berdump, ArgumentsMayCutTheHexAnywhere) {
    ToolRun run = Berdump({"302", "602010004", "00A01F020100020100020100301430120", "60E2B06010401",
                           "09096D010101010601", "0500"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, kRequestDump);
}

TEST(Berdump, RejectsWhatIsNotOneWholeDatagram) {
    const std::string response = kResponse;
    const struct {
        const char* name;
        std::string input;   // on standard input
        std::string reason;  // part of the one line on standard error
        std::string out;     // what standard output must hold
    } cases[] = {
        {"no input", "", "no input", ""},
        {"only white space", " \n\t ", "no input", ""},
        {"odd digit count", "30 02 05 0", "odd number of hex digits (7)", ""},
        {"not hex", "30 02 05 0g", "not a hex digit: 'g' after 7 hex digits", ""},
        {"hex prefix", "0x30", "not a hex digit: 'x' after 1 hex digits", ""},
        {"cut short", response.substr(0, 3 * 40),
         std::string("malformed at octet 1: ") + Asn1ErrorText(Asn1Error::Truncated), ""},
        {"child past its parent", "30 03 04 05 61 62 63 64 65",
         std::string("malformed at octet 3: ") + Asn1ErrorText(Asn1Error::Truncated), ""},
        {"indefinite length", "30 80 05 00 00 00",
         std::string("malformed at octet 1: ") + Asn1ErrorText(Asn1Error::IndefiniteLength), ""},
        {"unknown element past its parent", "30 03 44 05 00",
         std::string("malformed at octet 3: ") + Asn1ErrorText(Asn1Error::Truncated), ""},
        {"high tag number", "30 03 9F 01 00",
         std::string("malformed at octet 2: ") + Asn1ErrorText(Asn1Error::HighTagNumber), ""},
        {"unknown identifier", "40 04 C0 A8 00 01", "unknown identifier octet 0x40 at octet 0", ""},
        {"trailing octets", response + " 05 00",
         "2 octets left over after the element, from octet 41", kResponseDump},
        {"one trailing octet", "05 00 00", "1 octet left over after the element, from octet 2",
         "null\n"},
    };
    for (const auto& c : cases) {
        ToolRun run = Berdump({}, c.input);
        ExpectOneErrorLine(run, c.reason, c.name);
        EXPECT_EQ(run.out, c.out) << c.name;
    }
}

TEST(Berdump, MalformedArgumentsToo) {
    ToolRun run = Berdump(Words(std::string(kResponse).substr(0, 3 * 20)));
    ExpectOneErrorLine(run, "malformed at octet 1", "cut short");
    EXPECT_EQ(run.out, "");
}

TEST(Berdump, GetPrintsTheRequestOnOneLine) {
    const struct {
        QStringList args;
        std::string line;
    } cases[] = {
        {{"--get", "", "0", mib::kCpu}, std::string(kRequest) + "\n"},
        {{"--get", "public", "-5", "1.3.6.1.2.1.1.1.0"},
         "30 26 02 01 00 04 06 70 75 62 6C 69 63 A0 19 02 01 FB 02 01 00 02 01 00 30 0E 30 0C 06 "
         "08 2B "
         "06 01 02 01 01 01 00 05 00\n"},
        {{"--get", "c", "2147483647", "1.3.6.1.2.1.2.2.1.11.1"},
         "30 26 02 01 00 04 01 63 A0 1E 02 04 7F FF FF FF 02 01 00 02 01 00 30 10 30 0E 06 0A 2B "
         "06 01 02 "
         "01 02 02 01 0B 01 05 00\n"},
        // The walk of the interface names starts at the column itself.
        {{"--getnext", "kelpie", "7", "1.3.6.1.2.1.2.2.1.2"},
         "30 27 02 01 00 04 06 6B 65 6C 70 69 65 A1 1A 02 01 07 02 01 00 02 01 00 30 0F 30 0D 06 "
         "09 2B 06 01 02 01 02 02 01 02 05 00\n"},
    };
    for (const auto& c : cases) {
        ToolRun run = Berdump(c.args);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, c.line);
        EXPECT_EQ(run.err, "");
    }
}

TEST(Berdump, GetOutputDecodesBackToItsRequest) {
    ToolRun get = Berdump({"--get", "kelpie", "77", "1.3.6.1.2.1.2.2.1.2.3"});
    ASSERT_EQ(get.status, 0) << get.err;
    ToolRun dump = Berdump({}, get.out);
    EXPECT_EQ(dump.status, 0) << dump.err;
    EXPECT_EQ(dump.out,
              "sequence\n  integer 0\n  octetstring kelpie\n  implicit 0\n    integer 77\n"
              "    integer 0\n    integer 0\n    sequence\n      sequence\n"
              "        object 1.3.6.1.2.1.2.2.1.2.3\n        null\n");
}

TEST(Berdump, WrongArgumentsExitWithTwo) {
    const QStringList cases[] = {
        {"--get"},
        {"--get", "public", "1"},
        {"--get", "public", "1", mib::kCpu, "extra"},
        {"--get", "public", "x", mib::kCpu},
        {"--get", "public", "2147483648", mib::kCpu},
        {"--get", "public", "1", "1"},
        {"--get", "public", "1", "1..3"},
        {"--get", "public", "1", "1.3.x"},
        {"--get", "public", "1", "1.3.4294967296"},
        {"--getnext", "public", "1"},
        {"--frobnicate"},
    };
    for (const auto& args : cases) {
        ToolRun run = Berdump(args);
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    }
}

TEST(Berdump, HelpSaysHowToCallIt) {
    ToolRun run = Berdump({"--help"});
    EXPECT_EQ(run.status, 0);
    for (const char* word :
         {"berdump HEX...", "--get COMMUNITY REQUEST-ID OID", "--getnext COMMUNITY REQUEST-ID OID",
          "standard input", "exits with 1"}) {
        EXPECT_NE(run.out.find(word), std::string::npos) << word;
    }
}

TEST(HexText, ParsesPairsAndReportsWhatItCannot) {
    const struct {
        const char* text;
        HexError error;
        std::string octets;  // as FormatHex writes them
        std::size_t digits;
    } cases[] = {
        {"", HexError::None, "", 0},        {"3026 0a\tFF\n", HexError::None, "30 26 0A FF", 8},
        {"3 0", HexError::None, "30", 2},   {"302", HexError::OddDigits, "", 3},
        {"30 -1", HexError::NotHex, "", 2}, {"30:26", HexError::NotHex, "", 2},
    };
    for (const auto& c : cases) {
        THexOctets hex = ParseHex(c.text);
        EXPECT_EQ(hex.error, c.error) << c.text;
        EXPECT_EQ(FormatHex(hex.octets), c.octets) << c.text;
        EXPECT_EQ(hex.digits, c.digits) << c.text;
    }
    EXPECT_EQ(ParseHex("30 -1").position, 3u);
}

}  // namespace
