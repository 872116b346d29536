#pragma once
// Sets a terminal to what the instrument's line is: raw bytes (no line-end translation, no echo,
// no signals), 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control.

// False with errno set when the device refuses; a device that is not a terminal is refused
// with ENOTTY.
bool SetInstrumentLineMode(int handle);
