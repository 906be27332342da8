#include "card/LinkLedger.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace p42r::card {
namespace {

using Step = std::function<void(LinkLedger&)>;

struct LedgerCase {
  std::string name;
  std::vector<Step> steps;  // after a first card turn with the host listening
  bool settled;
};

const Step hostSends5 = [](LinkLedger& l) { l.hostSends(5); };
const Step cardTook5 = [](LinkLedger& l) { l.cardTurnEnded(5, l.timeMoves(), std::nullopt); };
const Step cardSends6 = [](LinkLedger& l) { l.cardSends(6); };
const Step hostRead6 = [](LinkLedger& l) { l.hostRead(6); };
const Step handled = [](LinkLedger& l) { l.hostHandled(); };
const Step turn = [](LinkLedger& l) { l.cardTurnEnded(0, l.timeMoves(), std::nullopt); };

TEST(LinkLedger, SettlesOnlyOnceEverythingSentIsTakenAndHeard) {
  const std::vector<LedgerCase> cases = {
      {"nothing sent", {}, true},
      {"a command on its way", {hostSends5}, false},
      {"taken, answer on its way", {hostSends5, cardSends6, cardTook5}, false},
      {"answer read, still in hand", {hostSends5, cardSends6, cardTook5, hostRead6}, false},
      {"answer handed on", {hostSends5, cardSends6, cardTook5, hostRead6, handled}, true},
      {"answer read in two parts, one left",
       {cardSends6, [](LinkLedger& l) { l.hostRead(4); }, handled}, false},
      {"the clock moved, card not yet woken", {[](LinkLedger& l) { l.timeMoved(); }}, false},
      {"the clock moved, card's turn ended", {[](LinkLedger& l) { l.timeMoved(); }, turn}, true},
      {"a write that fell short", {hostSends5, [](LinkLedger& l) { l.hostUnsent(5); }}, true},
      {"what the line would not take", {cardSends6, [](LinkLedger& l) { l.cardDropped(6); }}, true},
      {"no reader: unread bytes wait", {cardSends6, [](LinkLedger& l) { l.hostListening(false); }}, true},
      {"a reader again: they count", {cardSends6, [](LinkLedger& l) { l.hostListening(false); },
                                      [](LinkLedger& l) { l.hostListening(true); }}, false},
      {"a purge forgets them", {cardSends6, [](LinkLedger& l) { l.hostPurged(); }}, true},
      {"a forgotten byte arriving late counts for nothing",
       {cardSends6, [](LinkLedger& l) { l.hostPurged(); }, hostRead6, handled, cardSends6}, false},
      {"the card pulled out", {hostSends5, cardSends6, [](LinkLedger& l) { l.cardGone(); }}, true},
      {"nothing counts after it", {[](LinkLedger& l) { l.cardGone(); }, hostSends5, cardSends6}, true},
  };
  for (const auto& c : cases) {
    LinkLedger ledger;
    ledger.hostListening(true);
    EXPECT_FALSE(ledger.settled()) << "before the card's first turn";
    turn(ledger);
    for (const auto& step : c.steps) step(ledger);
    EXPECT_EQ(ledger.settled(), c.settled) << c.name;
  }
}

TEST(LinkLedger, TellsTheWaiterOnceWhenItSettles) {
  LinkLedger ledger;
  ledger.hostListening(true);
  int told = 0;
  ledger.whenSettled([&told] { ++told; });
  EXPECT_EQ(told, 0);
  ledger.cardTurnEnded(0, 0, std::nullopt);
  EXPECT_EQ(told, 1);
  ledger.hostSends(5);
  ledger.cardTurnEnded(5, 0, std::nullopt);
  EXPECT_EQ(told, 1);
  ledger.whenSettled([&told] { ++told; });  // settled already: at once
  EXPECT_EQ(told, 2);
  ledger.hostSends(5);
  ledger.whenSettled([&told] { ++told; });
  ledger.whenSettled(nullptr);
  ledger.cardTurnEnded(5, 0, std::nullopt);
  EXPECT_EQ(told, 2);
}

}  // namespace
}  // namespace p42r::card
