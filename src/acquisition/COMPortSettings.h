#pragma once

#include <cstdint>

// The stored port settings: port index (0 is COM1), indices into the line-setting lists, the
// five time-outs in milliseconds and the driver buffer sizes.
struct TCOMPortSettings { std::int32_t COMPort = 0; std::uint32_t BaudRate = 6; std::uint8_t StopBits = 0; std::uint8_t DataBits = 4; std::uint8_t Parity = 0; std::uint32_t ReadInterval = 10; std::uint32_t ReadTotalMultiplier = 0; std::uint32_t ReadTotalConstant = 100; std::uint32_t WriteTotalMultiplier = 0; std::uint32_t WriteTotalConstant = 0; std::uint32_t InputBufferSize = 1024; std::uint32_t OutputBufferSize = 1024; };
