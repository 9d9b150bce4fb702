// The login reply reader on any reply: no crash, pieces behave as pieces, every outcome carries
// what it promises and nothing longer than the reply.
#include "ReaderInput.h"
#include "rules/LoginReply.h"

using ReaderInput::check;
using ReaderInput::within;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString reply = ReaderInput::text(data, size);
    const qsizetype apostrophes = reply.count(QLatin1Char('\''));

    for (qsizetype n : {qsizetype(-1), qsizetype(0), qsizetype(1), qsizetype(3), qsizetype(9), qsizetype(13), apostrophes,
                        apostrophes + 1}) {
        const QString piece = LoginReply::replyPiece(reply, n);
        check(!piece.contains(QLatin1Char('\'')));
        check(within(piece, reply));
        if (n < 0 || n > apostrophes)
            check(piece.isEmpty());
    }
    if (apostrophes == 0)
        check(LoginReply::replyPiece(reply, 0) == reply);

    const QString cdata = LoginReply::cdataText(reply);
    check(within(cdata, reply) && !cdata.contains(QLatin1Char(']')));
    const QString failure = LoginReply::failureMessage(cdata);
    check(!failure.contains(QLatin1Char('<')) && failure.size() <= cdata.size());
    const QString status = LoginReply::plainStatus(reply);
    check(status.size() <= reply.size());

    const LoginReply::LoginOutcome outcome = LoginReply::classifyLoginReply(reply);
    // Every text comes from the reply, except the fixed words for a failure that gave none.
    check(outcome.memberName.size() <= reply.size() && outcome.status.size() <= reply.size() &&
          (outcome.message.size() <= reply.size() || outcome.message == LoginReply::kFailureFallback));
    switch (outcome.outcome) {
    case LoginReply::Outcome::Success:
        check(!outcome.memberName.isEmpty() && !outcome.status.isEmpty() &&
              !outcome.status.contains(LoginReply::kBanMarker));
        break;
    case LoginReply::Outcome::Banned:
        check(outcome.status.contains(LoginReply::kBanMarker));
        break;
    case LoginReply::Outcome::DataError:
        check(outcome.memberName.isEmpty() || outcome.status.isEmpty());
        break;
    case LoginReply::Outcome::Refused:
        check(!outcome.message.isEmpty());
        break;
    case LoginReply::Outcome::Unreadable:
        check(outcome.message.isEmpty());
        break;
    case LoginReply::Outcome::Failure:
        check(!outcome.message.trimmed().isEmpty()); // never an empty box
        break;
    }
    // A greeting decides the outcome, whatever else the reply holds.
    if (reply.contains(LoginReply::kWelcomeMarker))
        check(outcome.outcome == LoginReply::Outcome::Success || outcome.outcome == LoginReply::Outcome::Banned ||
              outcome.outcome == LoginReply::Outcome::DataError);
    return 0;
}
