// Test entry point: the program-wide state that start-up fills before anything runs.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/text_compare.h"

// Each test program says which owners and recorders it installs into the client services table.
void InstallTestServices();

int main(int argc, char** argv) {
    NoteInterfaceThread();
    BuildFoldTable();
    InstallTestServices();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
