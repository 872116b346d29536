#pragma once
// Finds the fixed texts of the messages the station's programs show or log, by reading their C++
// sources, so that the user guide can be checked against the code instead of against a copy of
// its messages that would drift.
//
// A message is rarely one literal: it is put together from fixed pieces and run-time values
// ("Error opening " + name + " port."), through printf formats ("orvant3k: demo instrument on
// %s\n") and across several lines. So the unit is the piece: a string literal (adjacent literals
// joined) cut at format placeholders and control characters, trimmed, with its spaces folded.
//
// Where messages are made is found from the statement each literal stands in (the text from the
// previous ";" or block brace to the next one). A literal counts when that statement
// - raises or builds an error: `throw`, an exception class (E..., std::..._error,
//   std::invalid_argument, std::out_of_range) or a ...Problem record;
// - hands text to the user: a notifier call (ErrorBox, InfoBox, Confirm, Report), a log
//   (Line, LogLine, FLog, log), a label or status bar (setText, SetFullText, showMessage),
//   standard error or output (fprintf, fputs, printf, puts, std::cerr);
// - calls a helper that does one of these; such helpers are named for it: Fail..., Raise...,
//   raise, Drop..., Note..., Report..., Log..., usage, bad, Bad..., WriteError, SetState,
//   Status, ...Failed, NotStarted;
// - adds a line to a list of notices, failures, errors, problems, messages or report lines;
// - stores the text in a variable named for what it holds (...Text, ...Message, ...Failure,
//   ...Error, ...Reason, ...Notice, ...Problem, ...State, ...Status), to be shown later;
// - returns it from a function named for the text it makes (...Text, ...Message, ...Reason).
// A literal in such a statement is still no message when it is compared with (==, !=, find) or
// is the date format of FormatDateTime. A piece is checked when it holds at least
// MinimumPieceLength characters, a letter, and more than one name-like word (a single word such
// as a class, operation or settings key name is no sentence a user reads).

#include <string>
#include <vector>

struct TMessagePiece {
    std::string File;  // as given to the scan
    int Line = 0;      // of the literal's opening quote
    std::string Text;  // trimmed, runs of white space folded to one blank
};

inline constexpr std::size_t MinimumPieceLength = 8;

// The pieces of every message literal in one source text.
std::vector<TMessagePiece> MessagePiecesOf(const std::string& source, const std::string& fileName);

// Runs of white space folded to one blank, ends trimmed.
std::string FoldSpaces(const std::string& text);
