// The one shape of a refusal: where it was found, and what a dialog shows under its heading.
#include <gtest/gtest.h>

#include <string>

#include "base/error.h"

namespace kelvara {
namespace {

struct Case {
    const char* name;
    Error error;
    std::string where;
    std::string located_detail;
    std::string explanation;
};

Error error_with(std::string reason, std::string detail, ErrorLocation where) {
    Error error = refusal("The document could not be opened.");
    error.reason = std::move(reason);
    error.detail = std::move(detail);
    error.where = std::move(where);
    return error;
}

TEST(Error, PlaceDetailAndExplanation) {
    const Case cases[] = {
        {"a reason alone", error_with("It is not a document.", "", {}), "", "",
         "It is not a document."},
        {"file, line, column and byte",
         error_with("It is damaged.", "expected a value", {"a.kelvara", 3, 7, 40, ""}),
         "a.kelvara, line 3, column 7 (byte 40)",
         "a.kelvara, line 3, column 7 (byte 40): expected a value",
         "It is damaged.\na.kelvara, line 3, column 7 (byte 40): expected a value"},
        {"a field", error_with("", "not above zero", {"", {}, {}, {}, "Kelvara step size"}),
         "\"Kelvara step size\"", "\"Kelvara step size\": not above zero",
         "\"Kelvara step size\": not above zero"},
        {"a place without a detail", error_with("Too long.", "", {"b.scl", 2, {}, {}, ""}),
         "b.scl, line 2", "", "Too long."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.error.where.text(), c.where) << c.name;
        EXPECT_EQ(c.error.located_detail(), c.located_detail) << c.name;
        EXPECT_EQ(c.error.explanation(), c.explanation) << c.name;
    }
}

}  // namespace
}  // namespace kelvara
