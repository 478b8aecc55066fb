// The Varko-7-USB reader's port, looked up into the port link's name.
#include "app.h"
#include "port_scan.h"
#include "protocol.h"

bool FindReaderUsbPort()
{
    return FindReaderPort(AppState.portName, sizeof AppState.portName);
}
