#include "settings/IntermagnetHeader.h"

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetterOrDigit(char c) { return IsLetter(c) || IsDigit(c); }

// One to `maxLength` characters, each passing `allowed` (which takes ASCII only).
bool Fits(const std::string& text, std::size_t maxLength, bool (*allowed)(char)) {
    if (text.empty() || text.size() > maxLength) return false;
    for (char c : text)
        if (!allowed(c)) return false;
    return true;
}

}  // namespace

TIntermagnetHeader CutToSize(const TIntermagnetHeader& header) {
    TIntermagnetHeader cut;
    cut.IDC = CutToLength(header.IDC, IDCMaxLength);
    cut.COMP = CutToLength(header.COMP, COMPMaxLength);
    cut.GIN = CutToLength(header.GIN, GINMaxLength);
    cut.COLA = CutToLength(header.COLA, COLAMaxLength);
    cut.LONG = CutToLength(header.LONG, LONGMaxLength);
    cut.DECBAS = CutToLength(header.DECBAS, DECBASMaxLength);
    return cut;
}

TIntermagnetHeaderProblem CheckIntermagnetHeader(const TIntermagnetHeader& header) {
    struct TRule {
        const char* Field;
        const std::string& Text;
        std::size_t MaxLength;
        bool (*Allowed)(char);
        const char* Form;
    };
    const TRule rules[] = {
        {"IDC", header.IDC, IDCMaxLength, IsLetterOrDigit, "one to three letters or digits"},
        {"COMP", header.COMP, COMPMaxLength, IsLetter, "one to four letters"},
        {"GIN", header.GIN, GINMaxLength, IsLetterOrDigit, "one to three letters or digits"},
        {"COLA", header.COLA, COLAMaxLength, IsDigit, "one to four digits"},
        {"LONG", header.LONG, LONGMaxLength, IsDigit, "one to four digits"},
        {"DECBAS", header.DECBAS, DECBASMaxLength, IsDigit, "one to six digits"},
    };
    for (const TRule& rule : rules)
        if (!Fits(rule.Text, rule.MaxLength, rule.Allowed))
            return {rule.Field, std::string(rule.Field) + " must be " + rule.Form + ", not \"" +
                                    rule.Text + "\""};
    return {};
}
