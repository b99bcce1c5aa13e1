#pragma once

#include <string>
#include <string_view>

// Result of walking a user data header.
struct UdhAnalysis
{
    std::string text;           // "length=N, <element name> (0xID), ..." (at most 511 characters)
    bool concatenation = false; // a concatenation element (0x00 or 0x08) was met
    size_t concatPosition = 0;  // character offset of the last one's identifier, from the UDHL octet
};

// Walks the header given as hex text from its length octet (UDHL) to the end of the PDU.
// Returns the header size in octets including the UDHL octet, or -1; on failure the analysis
// keeps what was written before it.
int DescribeUdh(std::string_view hex, UdhAnalysis& analysis);

// The English description of a status report's status octet.
const char* StatusText(int status);

// The name of a user data header information element.
const char* UdhElementName(int id);
