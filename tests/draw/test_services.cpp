// The drawing surface calls nothing above it.

void InstallTestServices() {}
