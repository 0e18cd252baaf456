#include "radio/clsDDSNullIF.h"

clsDDSNullIF::clsDDSNullIF() : DDSInterface("clsDDSNullIF") {}

clsDDSNullIF::~clsDDSNullIF() = default;

int32_t clsDDSNullIF::SendSeqMSB(std::span<const uint8_t> Bytes, int16_t Count)
{
    return SendFrame(sendSeqMSBBusy_, Bytes, Count, true, "SendSeqMSB");
}

int32_t clsDDSNullIF::SendSeqLSB(std::span<const uint8_t> Bytes, int16_t Count)
{
    return SendFrame(sendSeqLSBBusy_, Bytes, Count, false, "SendSeqLSB");
}

int32_t clsDDSNullIF::InitialiseAsHeld()
{
    initialised_ = true;
    return 0;
}
