// The Varko-7-USB reader's identity, looked up into the port link's name.
#include "app.h"
#include "serial.h"

bool FindReaderUsbPort()
{
    return FindUsbPort(AppState.portName, sizeof AppState.portName, "2E3C", "5750", "0200", "2e3c", "5750", "0200");
}
