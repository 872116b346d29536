#pragma once
// Runs an operation that must fail with EBasicException and checks what the error carries.

#include "acquisition/BasicException.h"

#include <gtest/gtest.h>

#include <string>

struct TExpectedFailure {
    std::string Message;
    std::string SourceClass;
    std::string SourceMethod;
};

template <typename TOperation>
void ExpectFailure(TOperation operation, const TExpectedFailure& expected) {
    try {
        operation();
        ADD_FAILURE() << "no error; expected \"" << expected.Message << "\"";
    } catch (const EBasicException& error) {
        EXPECT_EQ(error.what(), expected.Message);
        EXPECT_EQ(error.SourceClass(), expected.SourceClass);
        EXPECT_EQ(error.SourceMethod(), expected.SourceMethod);
        EXPECT_EQ(error.ErrorCode(), 0);
    }
}
