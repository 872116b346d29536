// The user guide lists every message the programs show or log, with its cause and what to do.
// These tests keep that list complete: each fixed piece of a message made in src/ or tools/ (see
// MessageSites.h for where messages are recognised) must appear in docs/user-guide.md.

#include "MessageSites.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> TextsOf(const std::vector<TMessagePiece>& pieces) {
    std::vector<std::string> texts;
    for (const TMessagePiece& piece : pieces) texts.push_back(piece.Text);
    return texts;
}

// The guide as its reader sees the texts: table pipes unescaped, white space folded.
std::string GuideText(const fs::path& path) {
    std::string text = ReadWholeFile(path);
    for (std::size_t at = text.find("\\|"); at != std::string::npos; at = text.find("\\|", at))
        text.erase(at, 1);
    return FoldSpaces(text);
}

}  // namespace

TEST(UserGuideMessages, ScannerTakesTheMessagePlacesAndOnlyThem) {
    const std::string source = R"cpp(
#include "acquisition/Notifier.h"   // an include is no message
// "a comment is no message either"
namespace {
constexpr const char* ConfirmationText = "Are you sure?";
const char* const ClassText = "TCOMPort";
}
std::string BadLineMessage(const std::string& line) {
    return "Could not read the line:<" + line + ">";
}
std::string Other() { return "a returned text elsewhere"; }
void Open(const std::string& name, int code) {
    if (name == "compared with, not shown") return;
    if (name.rfind("searched for text", 0) == 0) return;
    throw EBasicException::Create("Error opening " + name + " port.", code, "TCOMPort", "Open");
}
void Log(TStationLog& log, int lines) {
    log.Line("stopped: " + std::to_string(lines) + " samples recorded", TLogPriority::Notice);
    std::fprintf(stderr, "orvant3k: demo instrument on %s\nsecond line %d here\n", "x", 1);
    Notifier().ErrorBox("first half of a text "
                        "and its second half");
    auto fail = [](const std::string& what) { Fail("Could not make the link " + what, 1); };
    std::string failure = "unknown error";
    failure += ", waiting " + FormatDateTime("yyyy-mm-dd hh:nn:ss", 0.0);
    FNotices.push_back("No files in this run: none asked for");
    const QCommandLineOption port("port", "Use this serial device for this run.", "DEVICE");
    label->setToolTip(tr("Equalize height of all graphs"));
    return TIagaProblem{"Latitude", "Latitude must be a number, not " + text};
}
struct ENotAFile : std::runtime_error {
    ENotAFile(const std::string& path) : std::runtime_error(path + " is not a data file") {}
};
)cpp";
    // "port." and "stopped:" are left out: no piece of fewer than 8 characters or of one word.
    EXPECT_EQ(TextsOf(MessagePiecesOf(source, "sample.cpp")),
              (std::vector<std::string>{"Are you sure?", "Could not read the line:<", "Error opening",
                                        "samples recorded", "orvant3k: demo instrument on",
                                        "second line", "first half of a text and its second half",
                                        "Could not make the link", "unknown error", ", waiting",
                                        "No files in this run: none asked for",
                                        "Latitude must be a number, not", "is not a data file"}));
}

TEST(UserGuideMessages, EveryMessageOfTheProgramsIsInTheGuide) {
    const fs::path root = ORVANT_SOURCE_DIR;
    const fs::path guidePath = root / "docs" / "user-guide.md";
    ASSERT_TRUE(fs::is_regular_file(guidePath)) << guidePath;
    const std::string guide = GuideText(guidePath);

    std::vector<TMessagePiece> pieces;
    for (const char* folder : {"src", "tools"}) {
        for (const fs::path& file : FilesUnder(root / folder)) {
            if (file.extension() != ".cpp" && file.extension() != ".h") continue;
            const std::vector<TMessagePiece> found = MessagePiecesOf(
                ReadWholeFile(file), fs::relative(file, root).generic_string());
            pieces.insert(pieces.end(), found.begin(), found.end());
        }
    }
    // Guards the scan itself: a tokenizer fault that found nothing would pass every guide.
    ASSERT_GT(pieces.size(), 100u);

    std::string missing;
    for (const TMessagePiece& piece : pieces)
        if (guide.find(piece.Text) == std::string::npos)
            missing += "  \"" + piece.Text + "\"  (" + piece.File + ":" + std::to_string(piece.Line) + ")\n";
    EXPECT_TRUE(missing.empty())
        << "docs/user-guide.md does not contain these message texts; add each to the Messages "
           "section with its cause and what to do (or, for a text that is no message, rework "
           "the statement, see tests/docs/MessageSites.h):\n"
        << missing;
}
