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
        bool Passes;
        const char* Form;
    };
    bool knownComponents = false;
    for (const char* set : IntermagnetComponentSets) knownComponents |= header.COMP == set;
    // A field name left as its own value passes the form, yet names no observatory or GIN.
    const bool idcFits = Fits(header.IDC, IDCMaxLength, IsLetterOrDigit);
    const bool ginFits = Fits(header.GIN, GINMaxLength, IsLetterOrDigit);
    const TRule rules[] = {
        {"IDC", header.IDC, idcFits && header.IDC != "IDC",
         idcFits ? "the observatory's code" : "one to three letters or digits"},
        {"COMP", header.COMP, knownComponents, "XYZF or HDZF"},
        {"GIN", header.GIN, ginFits && header.GIN != "GIN",
         ginFits ? "the code of the GIN that collects the data" : "one to three letters or digits"},
        {"COLA", header.COLA, Fits(header.COLA, COLAMaxLength, IsDigit), "one to four digits"},
        {"LONG", header.LONG, Fits(header.LONG, LONGMaxLength, IsDigit), "one to four digits"},
        {"DECBAS", header.DECBAS, Fits(header.DECBAS, DECBASMaxLength, IsDigit),
         "one to six digits"},
    };
    TIntermagnetHeaderProblem problem;
    for (const TRule& rule : rules) {
        if (rule.Passes) continue;
        if (problem.Field.empty()) problem.Field = rule.Field;
        else problem.Text += "; ";
        problem.Text +=
            std::string(rule.Field) + " must be " + rule.Form + ", not \"" + rule.Text + "\"";
    }
    return problem;
}
