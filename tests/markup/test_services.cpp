// The display markup as text calls nothing above it.

void InstallTestServices() {}
