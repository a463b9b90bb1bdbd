// The window model and the settings readers call nothing above them.

void InstallTestServices() {}
