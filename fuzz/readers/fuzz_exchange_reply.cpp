// The credit-exchange reply reader on any reply, status and transfer result: no crash, a dialog
// text is a part of the reply without an apostrophe, and every other case says something.
#include "ReaderInput.h"
#include "rules/ExchangeForm.h"

using ReaderInput::check;
using Kind = ExchangeForm::Reply::Kind;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString reply = ReaderInput::text(data, size);
    const bool hasDialog = reply.contains(QStringLiteral("showDialog('"));
    for (int status : {0, 200, 302, 404, 500}) {
        for (bool transferFailed : {false, true}) {
            const ExchangeForm::Reply read = ExchangeForm::readReply(reply, status, transferFailed);
            if (transferFailed) {
                check(read.kind == Kind::NoReply && read.message == ExchangeForm::kNoReplyText);
                continue;
            }
            check(hasDialog == (read.kind == Kind::Message));
            if (read.kind == Kind::Message)
                check(!read.message.contains(QLatin1Char('\'')) && ReaderInput::within(read.message, reply));
            else
                check(!read.message.isEmpty());
        }
    }
    return 0;
}
