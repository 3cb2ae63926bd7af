#include "qdevice.h"

QDevice::QDevice()
{
    blocks.setDefaultParameters(false);
}

QDevice::~QDevice()
{
    qDeleteAll(children);
}

quint16 QDevice::childKey(const ousb_child_device_info_t& child)
{
    return quint16(child.childID[0] << 8 | child.childID[1]);
}
