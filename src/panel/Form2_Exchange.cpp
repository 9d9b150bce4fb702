// The credit exchange of the currency page: za into Quorvel币.
#include "Form2.h"

void Form2::Text3_Change()
{
    // filled by the credit-exchange work: the cost in za of the wanted amount
}

void Form2::Command6_Click()
{
    // filled by the credit-exchange work: confirm, post the exchange form, show the answer, sX
}
