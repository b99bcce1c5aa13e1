#pragma once

#include "codec/Pdu.h"
#include "codec/Splitter.h"

#include <QByteArray>

#include <string>
#include <string_view>

// One compact JSON object for a decoded PDU, ok, error and every decoded field, appended to out
// without a line end. The bytes are those Qt's JSON writer gives for the same object (keys in
// order, same escapes), written without building a QJsonObject for each of many lines.
void AppendDecodedPduJson(std::string& out, const PDU& pdu, bool ok);

// A JSON string as Qt's writer escapes it: UTF-8 out, a lone surrogate as \uXXXX.
void AppendJsonString(std::string& out, std::u16string_view text);
// UTF-8 in; text that is not plain ASCII goes through QString, as the writer would see it.
void AppendJsonString(std::string& out, std::string_view utf8);

// One compact JSON line for an encoded part.
QByteArray EncodedPartJson(const EncodedPart& part);
