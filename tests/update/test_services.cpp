// The updater calls nothing above it: no owners or recorders are installed.
void InstallTestServices() {}
