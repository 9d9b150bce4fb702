#pragma once
// The one error type the cipher library raises to its callers.
//
// The numbers are those of the original runtime, so callers that react to a number keep working:
//   1  argument error of cRijndael, with one of its fixed English descriptions
//      ("cRijndael.SetCipherKey - Illegal KeyBits Value");
//   5  a block operation before any key was set;
//   6  overflow: more bytes than a 16-bit counter of CMD5Encrypt allows;
//   9  subscript out of range: an index or length outside an array, an empty text where bytes are needed;
//  11  division by zero: a blockSize below 8 for cRijndael::StringEncrypt;
//  53  file not found; 75 a file that cannot be opened, read or written.
// Data errors of deciphering are not raised: they are shown through Seams::messageBox and reported
// through the result value of the operation.
#include <stdexcept>
#include <string>

struct CipherError : std::runtime_error {
    CipherError(int errorNumber, const std::string &description)
        : std::runtime_error(description), number(errorNumber)
    {
    }
    int number;
};

namespace CipherErrors {
inline constexpr int IllegalArgument = 1;
inline constexpr int NoKey = 5;
inline constexpr int Overflow = 6;
inline constexpr int SubscriptOutOfRange = 9;
inline constexpr int DivisionByZero = 11;
inline constexpr int FileNotFound = 53;
inline constexpr int FileAccess = 75;

[[noreturn]] inline void subscriptOutOfRange()
{
    throw CipherError(SubscriptOutOfRange, "Subscript out of range");
}
} // namespace CipherErrors
