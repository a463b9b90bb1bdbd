// The XML store calls nothing above it.

void InstallTestServices() {}
