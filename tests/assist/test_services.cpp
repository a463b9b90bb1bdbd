// Remote assistance calls no service of the layers above it.
void InstallTestServices() {}
