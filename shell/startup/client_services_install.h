// Fills the table of upward calls with the real owners; start-up does it before anything runs.
#pragma once

void InstallClientServices();
