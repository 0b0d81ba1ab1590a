#pragma once

#include <cstddef>

// Words the benchmarks build display names and messages from. Plain C++: the
// native archive writer and the Windows benchmarks both use them.
namespace bench_words {

inline const char* const kTopics[] = {
    "Clients",  "Invoices",    "Mailing lists", "Family",       "Friends",   "Travel",   "Orders",
    "Receipts", "Newsletters", "Conference",    "Old mail",     "Tax",       "Recipes",  "Club",
    "School",   "Jobs",        "Software",      "Hardware",     "Suppliers", "Press",    "Support",
    "Sales",    "Board",       "Read later",    "Personal",     "Work",      "Projects", "Website",
    "Bank",     "Insurance",   "Car",           "House",        "Garden",    "Choir",    "Football",
    "Photos",   "Bug reports", "Beta testers",  "Translations", "Accounts",  "Legal",    "Health"};
inline const char* const kPeople[] = {"Anna",  "Bert",   "Chris", "Dorothy", "Erik",  "Fiona",
                                      "Georg", "Hannah", "Ivan",  "Julia",   "Kofi",  "Lena",
                                      "Mike",  "Nadia",  "Oscar", "Petra",   "Rahul", "Sofia"};
inline const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <typename T, std::size_t N>
constexpr std::size_t CountOf(const T (&)[N]) {
    return N;
}

} // namespace bench_words
