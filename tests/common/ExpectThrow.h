#pragma once
// EXPECT_THROW_MSG(statement, type, text): the statement throws an exception
// of the given type whose what() is exactly text. No exception, another type
// or another text is a test failure (the test goes on).

#include <exception>
#include <gtest/gtest.h>
#include <string>
#include <typeinfo>

namespace testsupport {

// What was thrown when it is not the expected type: its type and its text.
inline std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const std::exception& E) {
        return std::string(typeid(E).name()) + " (" + E.what() + ")";
    } catch (...) {
        return "an exception not derived from std::exception";
    }
}

} // namespace testsupport

#define EXPECT_THROW_MSG(statement, type, text)                                                              \
    do {                                                                                                     \
        try {                                                                                                \
            statement;                                                                                       \
            ADD_FAILURE() << "expected " #statement " to throw " #type ", it threw nothing";                 \
        } catch (const type& AdoxThrown) {                                                                   \
            EXPECT_EQ(std::string(AdoxThrown.what()), std::string(text)) << "message of " #statement;        \
        } catch (...) {                                                                                      \
            ADD_FAILURE() << "expected " #statement " to throw " #type ", it threw "                         \
                          << ::testsupport::DescribeCurrentException();                                      \
        }                                                                                                    \
    } while (false)
