// The lost-password reply reader on any reply and status: no crash, pieces behave as pieces, and
// the window always gets a text to show.
#include "ReaderInput.h"
#include "rules/LostPasswordReply.h"

using ReaderInput::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString reply = ReaderInput::text(data, size);
    const qsizetype apostrophes = reply.count(QLatin1Char('\''));
    for (int n : {-1, 0, 1, 3, 5, int(qMin<qsizetype>(apostrophes, 1000)), int(qMin<qsizetype>(apostrophes + 1, 1001))}) {
        const std::optional<QString> piece = LostPasswordReply::piece(reply, n);
        check(piece.has_value() == (n >= 0 && n <= apostrophes));
        if (piece)
            check(!piece->contains(QLatin1Char('\'')) && ReaderInput::within(*piece, reply));
    }
    if (apostrophes == 0)
        check(LostPasswordReply::piece(reply, 0) == reply);

    const int number = LostPasswordReply::pieceNumber(reply);
    check(number == 3 || number == 5);
    for (int status : {0, 200, 404, 500}) {
        for (bool transportFailed : {false, true}) {
            const LostPasswordReply::Outcome outcome = LostPasswordReply::outcome(transportFailed, status, reply);
            check(outcome.copyReply == !transportFailed);
            if (transportFailed || (status != 200 && status != 0) || !LostPasswordReply::message(reply))
                check(!outcome.text.isEmpty() && outcome.icon == Seams::Icon::Exclamation);
        }
    }
    return 0;
}
