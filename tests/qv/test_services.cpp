// qv is driven from outside; this program only talks to it.

void InstallTestServices() {}
