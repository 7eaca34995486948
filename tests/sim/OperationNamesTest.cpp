// The virtual camera's table of the camera library's operations, which capability profiles name,
// against the library's own table: a renamed, added or removed operation shows here before a
// profile written by one program fails to read in another.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "operations/Operations.h"
#include "sim/Model.h"

namespace {

// The operations of the link itself, which send a camera no frame of its own.
const std::set<std::string> LINK_OPERATIONS{"connect", "disconnect", "getCamerasTotal",
                                            "getCurCamera", "setCurCamera"};

TEST(OperationNames, AreTheLibrarysWithTheSameInquiries) {
    std::set<std::string> library;
    for (const Operations::Operation& operation : Operations::all()) {
        library.insert(operation.name);
        if (LINK_OPERATIONS.count(operation.name) != 0) {
            EXPECT_EQ(Camsim::findOperation(operation.name), nullptr) << operation.name;
            continue;
        }
        const Camsim::OperationFrame* frame = Camsim::findOperation(operation.name);
        ASSERT_NE(frame, nullptr) << operation.name << " is missing from sim/Model.cpp";
        EXPECT_EQ(frame->inquiry(), operation.inquiry) << operation.name;
    }
    for (const Camsim::OperationFrame& frame : Camsim::operationFrames()) {
        EXPECT_EQ(library.count(frame.name), 1u) << frame.name << " is not the library's";
    }
}

}  // namespace
