#pragma once

#include "codec/Pdu.h"
#include "codec/Splitter.h"

#include <QByteArray>

// One compact JSON line for a decoded PDU: ok, error and every decoded field.
QByteArray DecodedPduJson(const PDU& pdu, bool ok);

// One compact JSON line for an encoded part.
QByteArray EncodedPartJson(const EncodedPart& part);
