#include "audio/frmDX8Events.h"

frmDX8Events::frmDX8Events(QELVODX8& soundCard) : soundCard_(soundCard)
{
    soundCard_.SetEventForm(this);
}

frmDX8Events::~frmDX8Events()
{
    if (soundCard_.EventForm() == this)
        soundCard_.SetEventForm(nullptr);
}

void frmDX8Events::DXCallback(int32_t eventid)
{
    soundCard_.EventHandler(eventid, Channel1, Channel2);
}
