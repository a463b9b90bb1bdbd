// The help file is read back from its file: nothing above is called.

void InstallTestServices() {}
