#pragma once
// Texts that come from peers on the network (station names, payload fields) on their way into
// the collector's log: a peer must not be able to write control sequences, fake log lines or
// megabytes into it.

#include <cstddef>
#include <string>

// `text` with every byte outside printable ASCII written as \xNN, cut after `maximum`
// characters ("..." then says so).
std::string PrintablePeerText(const std::string& text, std::size_t maximum = 64);
// True when `text` holds no control character (line ends, escape sequences).
bool HasNoControlCharacter(const std::string& text);
