// Test entry point: the program-wide state that start-up fills before anything runs.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/text_compare.h"

int main(int argc, char** argv) {
    NoteInterfaceThread();
    BuildFoldTable();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
