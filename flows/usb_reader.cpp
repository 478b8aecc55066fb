// The Varko-7-USB reader's port, looked up into the port link's name.
#include "flows.h"
#include "port_scan.h"
#include "ui.h"

bool FindReaderUsbPort()
{
    return FindReaderPort(AppState.portName, sizeof AppState.portName);
}
