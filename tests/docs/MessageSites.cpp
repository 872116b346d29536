#include "MessageSites.h"

#include <algorithm>
#include <cctype>
#include <regex>

namespace {

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

struct TLiteral {
    std::size_t Begin = 0;  // opening quote (or the R of a raw string)
    std::size_t End = 0;    // one past the closing quote
    std::string Text;       // escapes decoded; control characters kept as cut marks
};

// The source with comments, preprocessor lines and the contents of literals blanked (quotes and
// line breaks kept, so that offsets and line numbers stay), and the literals themselves.
struct TSourceCode {
    std::string Code;
    std::vector<TLiteral> Literals;
};

void Blank(std::string& code, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to && i < code.size(); ++i)
        if (code[i] != '\n') code[i] = ' ';
}

// The text of an ordinary literal's contents with its escapes decoded.
std::string Decoded(const std::string& source, std::size_t from, std::size_t to) {
    std::string text;
    for (std::size_t i = from; i < to; ++i) {
        if (source[i] != '\\' || i + 1 >= to) {
            text += source[i];
            continue;
        }
        const char c = source[++i];
        switch (c) {
            case 'n': text += '\n'; break;
            case 'r': text += '\r'; break;
            case 't': text += '\t'; break;
            case 'x':
                while (i + 1 < to && std::isxdigit(static_cast<unsigned char>(source[i + 1]))) ++i;
                text += '\x01';
                break;
            default:
                if (c >= '0' && c <= '7') {
                    while (i + 1 < to && source[i + 1] >= '0' && source[i + 1] <= '7') ++i;
                    text += '\x01';
                } else if (std::isalpha(static_cast<unsigned char>(c))) {
                    text += '\x01';  // \a, \b, \f, \v
                } else {
                    text += c;  // \\, \", \', \?
                }
        }
    }
    return text;
}

TSourceCode Tokenized(const std::string& source) {
    TSourceCode result{source, {}};
    std::string& code = result.Code;
    bool lineStart = true;
    std::size_t i = 0;
    while (i < source.size()) {
        const char c = source[i];
        if (c == '\n') {
            lineStart = true;
            ++i;
            continue;
        }
        if (lineStart && c == '#') {
            std::size_t end = i;
            while (end < source.size() && (source[end] != '\n' || source[end - 1] == '\\')) ++end;
            Blank(code, i, end);
            i = end;
            continue;
        }
        if (!std::isspace(static_cast<unsigned char>(c))) lineStart = false;
        if (source.compare(i, 2, "//") == 0) {
            const std::size_t end = std::min(source.find('\n', i), source.size());
            Blank(code, i, end);
            i = end;
        } else if (source.compare(i, 2, "/*") == 0) {
            const std::size_t close = source.find("*/", i + 2);
            const std::size_t end = close == std::string::npos ? source.size() : close + 2;
            Blank(code, i, end);
            i = end;
        } else if (c == 'R' && i + 1 < source.size() && source[i + 1] == '"' &&
                   (i == 0 || !IsWordChar(source[i - 1]) ||
                    (i >= 2 && source.compare(i - 2, 2, "u8") == 0) || source[i - 1] == 'L' ||
                    source[i - 1] == 'u' || source[i - 1] == 'U')) {
            const std::size_t open = source.find('(', i + 2);
            const std::string closing = ")" + source.substr(i + 2, open - i - 2) + "\"";
            const std::size_t close = source.find(closing, open);
            const std::size_t end = close == std::string::npos ? source.size() : close + closing.size();
            result.Literals.push_back({i, end, source.substr(open + 1, close - open - 1)});
            Blank(code, i + 2, end - 1);
            i = end;
        } else if (c == '"') {
            std::size_t end = i + 1;
            while (end < source.size() && source[end] != '"' && source[end] != '\n')
                end += source[end] == '\\' ? 2 : 1;
            result.Literals.push_back({i, end + 1, Decoded(source, i + 1, end)});
            Blank(code, i + 1, end);
            i = end + 1;
        } else if (c == '\'' && (i == 0 || !IsWordChar(source[i - 1]))) {
            std::size_t end = i + 1;
            while (end < source.size() && source[end] != '\'' && source[end] != '\n')
                end += source[end] == '\\' ? 2 : 1;
            Blank(code, i + 1, end);
            i = end + 1;
        } else {
            ++i;  // also a digit separator: 1'000
        }
    }
    return result;
}

// Adjacent literals ("a" "b") are one text in C++.
std::vector<TLiteral> Joined(const TSourceCode& source) {
    std::vector<TLiteral> joined;
    for (const TLiteral& literal : source.Literals) {
        if (!joined.empty()) {
            TLiteral& last = joined.back();
            const auto gap = source.Code.begin();
            if (std::all_of(gap + last.End, gap + literal.Begin,
                            [](char c) { return std::isspace(static_cast<unsigned char>(c)); })) {
                last.Text += literal.Text;
                last.End = literal.End;
                continue;
            }
        }
        joined.push_back(literal);
    }
    return joined;
}

std::size_t PreviousNonSpace(const std::string& code, std::size_t from) {
    std::size_t i = from;
    while (i > 0 && std::isspace(static_cast<unsigned char>(code[i - 1]))) --i;
    return i;  // code[i - 1] is the character, 0 when there is none
}

std::string WordBefore(const std::string& code, std::size_t end) {
    std::size_t begin = end;
    while (begin > 0 && IsWordChar(code[begin - 1])) --begin;
    return code.substr(begin, end - begin);
}

// The opening bracket that matches the closing one at `close`, or npos.
std::size_t MatchingOpen(const std::string& code, std::size_t close, char open) {
    const char closeChar = code[close];
    int depth = 0;
    for (std::size_t i = close + 1; i-- > 0;) {
        if (code[i] == closeChar) ++depth;
        if (code[i] == open && --depth == 0) return i;
    }
    return std::string::npos;
}

// Whether the "{" at `brace` opens a block of statements rather than a braced initialiser.
bool OpensBlock(const std::string& code, std::size_t brace) {
    const std::size_t before = PreviousNonSpace(code, brace);
    if (before == 0) return true;
    const char c = code[before - 1];
    if (c == ')' || c == ']' || c == '}' || c == ';' || c == '{') return true;
    static const std::vector<std::string> blockWords{"else", "try",     "do",      "const",
                                                     "override", "noexcept", "mutable", "final",
                                                     "namespace"};
    const std::string word = WordBefore(code, before);
    return std::find(blockWords.begin(), blockWords.end(), word) != blockWords.end();
}

// From the previous ";" or block brace to the next ";" or brace.
std::string StatementAround(const std::string& code, const TLiteral& literal) {
    std::size_t start = 0;
    for (std::size_t i = literal.Begin; i-- > 0;) {
        const char c = code[i];
        if (c == ';') {
            start = i + 1;
            break;
        }
        if (c == '{' && OpensBlock(code, i)) {
            start = i + 1;
            break;
        }
        if (c == '}') {
            const std::size_t open = MatchingOpen(code, i, '{');
            if (open == std::string::npos || OpensBlock(code, open)) {
                start = i + 1;
                break;
            }
            i = open;  // skip a braced initialiser whole
        }
    }
    const std::size_t end = std::min(code.find_first_of(";{}", literal.End), code.size());
    return code.substr(start, end - start);
}

// The name of the function whose body holds `at`; lambdas and control statements are looked
// through to the function around them.
std::string EnclosingFunction(const std::string& code, std::size_t at) {
    static const std::vector<std::string> controls{"if", "for", "while", "switch", "catch"};
    static const std::regex qualifiers(R"((\s|\bconst\b|\boverride\b|\bnoexcept\b|\bmutable\b|\bfinal\b)*$)");
    int depth = 0;
    for (std::size_t i = at; i-- > 0;) {
        if (code[i] == '}') ++depth;
        if (code[i] != '{') continue;
        if (depth > 0) {
            --depth;
            continue;
        }
        if (!OpensBlock(code, i)) continue;
        std::smatch trailing;
        const std::string head = code.substr(i >= 200 ? i - 200 : 0, std::min<std::size_t>(i, 200));
        std::regex_search(head, trailing, qualifiers);
        const std::size_t qualified = std::size_t(trailing.length(0));
        if (i < qualified + 1 || code[i - qualified - 1] != ')') continue;
        const std::size_t close = i - qualified - 1;
        const std::size_t open = MatchingOpen(code, close, '(');
        if (open == std::string::npos) continue;
        const std::size_t nameEnd = PreviousNonSpace(code, open);
        const std::string name = WordBefore(code, nameEnd);
        if (name.empty() || std::find(controls.begin(), controls.end(), name) != controls.end())
            continue;
        return name;
    }
    return {};
}

bool Search(const std::string& text, const std::regex& pattern) {
    return std::regex_search(text, pattern);
}

bool MakesMessage(const std::string& statement, const std::string& code, const TLiteral& literal) {
    using std::regex;
    static const regex raises(R"(\bthrow\b|\bE[A-Z][a-z]\w*|\bstd::(\w+_error|invalid_argument|out_of_range)\b|\w*Problem\b)");
    static const regex shows(
        R"(\b(ErrorBox|InfoBox|Confirm|Report|Line|LogLine|FLog|log|setText|SetFullText|showMessage|fprintf|fputs|printf|puts)\s*\(|\bstd::(cerr|cout)\b)");
    static const regex helpers(
        R"(\b(Fail\w*|Raise\w*|raise|Drop\w*|Note\w*|Report\w*|Log\w*|usage|bad|Bad\w*|WriteError|SetState|Status|\w+Failed|NotStarted)\s*\()");
    static const regex lists(R"(\w*(notices|failures|errors|problems|messages|lines)\s*(\.|->)\s*(push_back|emplace_back)\s*\()",
                             regex::ECMAScript | regex::icase);
    static const regex stores(R"(\b\w*(text|message|failure|error|reason|notice|problem|state|status)\s*(\+=|=(?!=)))",
                              regex::ECMAScript | regex::icase);
    static const regex returns(R"(\breturn\b)");
    static const regex messageFunction(R"((Text|Message|Reason)$)");
    if (Search(statement, raises) || Search(statement, shows) || Search(statement, helpers) ||
        Search(statement, lists) || Search(statement, stores))
        return true;
    return Search(statement, returns) &&
           Search(EnclosingFunction(code, literal.Begin), messageFunction);
}

// A literal compared with, searched for or used as a date format is matched, not shown.
bool IsMatchedOrFormat(const std::string& code, const TLiteral& literal) {
    static const std::regex before(R"((==|!=|\b(find|rfind|starts_with|ends_with|compare|FormatDateTime)\s*\()\s*$)");
    static const std::regex after(R"(^\s*(==|!=))");
    const std::size_t from = literal.Begin >= 80 ? literal.Begin - 80 : 0;
    return Search(code.substr(from, literal.Begin - from), before) ||
           Search(code.substr(literal.End, 20), after);
}

// The literal's text cut at control characters and format placeholders (printf's %s, %5.1f,
// %lld; Qt's %1).
std::vector<std::string> Pieces(const std::string& text) {
    static const std::regex cuts(R"([\x00-\x1f]|%[-+ #0]*(\*|\d+)?(\.(\*|\d+))?(hh|h|ll|l|j|z|t|L)?[diouxXfFeEgGaAcsp%]|%\d+)");
    std::vector<std::string> pieces;
    std::sregex_token_iterator piece(text.begin(), text.end(), cuts, -1), end;
    for (; piece != end; ++piece) pieces.push_back(FoldSpaces(*piece));
    return pieces;
}

bool Checked(const std::string& piece) {
    return piece.size() >= MinimumPieceLength && piece.find(' ') != std::string::npos &&
           std::any_of(piece.begin(), piece.end(),
                       [](char c) { return std::isalpha(static_cast<unsigned char>(c)); });
}

}  // namespace

std::string FoldSpaces(const std::string& text) {
    std::string folded;
    bool space = false;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            space = !folded.empty();
            continue;
        }
        if (space) folded += ' ';
        space = false;
        folded += c;
    }
    return folded;
}

std::vector<TMessagePiece> MessagePiecesOf(const std::string& source, const std::string& fileName) {
    const TSourceCode tokens = Tokenized(source);
    std::vector<TMessagePiece> found;
    for (const TLiteral& literal : Joined(tokens)) {
        if (IsMatchedOrFormat(tokens.Code, literal)) continue;
        if (!MakesMessage(StatementAround(tokens.Code, literal), tokens.Code, literal)) continue;
        const int line = 1 + int(std::count(source.begin(), source.begin() + literal.Begin, '\n'));
        for (const std::string& piece : Pieces(literal.Text))
            if (Checked(piece)) found.push_back({fileName, line, piece});
    }
    return found;
}
