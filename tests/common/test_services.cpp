// The helpers call nothing above them.

void InstallTestServices() {}
