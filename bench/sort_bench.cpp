// Times the list sort against the neighbour-swapping bubble sort whose order
// it reproduces, on catalogue-like records: a name, a greater-only Compare
// (1 or 0) and many duplicate names. Prints times and ratios; asserts nothing.
//
// Usage: sort_bench [records] [bubble records]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <list>
#include <memory>
#include <random>
#include <vector>

#include "system/list.h"
#include "system/strings.h"

namespace {

using qm::String;

struct BenchRecord {
  String name;
  int tag = 0;
  int Compare(const BenchRecord& other) const { return qm::Compare(name, other.name) > 0 ? 1 : 0; }
};
using RecordRef = std::shared_ptr<BenchRecord>;

std::vector<RecordRef> MakeRecords(int n) {
  std::mt19937 rng(12345);
  const int distinct = n / 8 + 1;  // about eight records per name
  std::uniform_int_distribution<int> pick(0, distinct - 1);
  std::vector<RecordRef> out;
  out.reserve(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) {
    const int k = pick(rng);
    String name = (k % 3 == 0) ? u"Get" : (k % 3 == 1 ? u"set" : u"Set");
    name += qm::FromInt(k);
    out.push_back(std::make_shared<BenchRecord>(BenchRecord{name, i}));
  }
  return out;
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The list sort of the containers, as the index writer calls it.
double TimeListSort(const std::vector<RecordRef>& records, std::vector<int>* order) {
  qm::TList<RecordRef> list;
  for (const RecordRef& r : records) qm::ListAddLast(list, r);
  const auto start = std::chrono::steady_clock::now();
  qm::SortList(list, 1, qm::CompareObjects);
  const auto stop = std::chrono::steady_clock::now();
  if (order) {
    for (const RecordRef& r : list) order->push_back(r->tag);
  }
  return Seconds(stop - start);
}

// The bubble sort step by step: passes from the first link, swapping
// neighbours on a positive comparison, the end marker moving back one pass at
// a time.
double TimeBubbleSort(const std::vector<RecordRef>& records, std::vector<int>* order) {
  std::list<RecordRef> cells(records.begin(), records.end());
  const auto start = std::chrono::steady_clock::now();
  auto end_marker = cells.end();
  while (!cells.empty()) {
    auto current = cells.begin();
    bool swapped = false;
    for (auto successor = std::next(current); successor != end_marker; successor = std::next(current)) {
      if (qm::CompareObjects(*current, *successor) > 0) {
        cells.splice(current, cells, successor);
        swapped = true;
      } else {
        current = successor;
      }
    }
    if (!swapped) break;
    end_marker = current;
  }
  const auto stop = std::chrono::steady_clock::now();
  if (order) {
    for (const RecordRef& r : cells) order->push_back(r->tag);
  }
  return Seconds(stop - start);
}

}  // namespace

int main(int argc, char** argv) {
  const int n = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int bubble_n = argc > 2 ? std::atoi(argv[2]) : 10000;
  if (n < 1 || bubble_n < 1 || bubble_n > n) {
    std::fprintf(stderr, "usage: sort_bench [records] [bubble records <= records]\n");
    return 2;
  }

  const std::vector<RecordRef> records = MakeRecords(n);
  const double list_n = TimeListSort(records, nullptr);

  std::vector<RecordRef> sorted_input;
  {
    qm::TList<RecordRef> list;
    for (const RecordRef& r : records) list.AddLast(r);
    list.Sort();
    for (const RecordRef& r : list) sorted_input.push_back(r);
  }
  const double list_sorted = TimeListSort(sorted_input, nullptr);

  const std::vector<RecordRef> small(records.begin(), records.begin() + bubble_n);
  std::vector<int> list_order, bubble_order;
  const double list_small = TimeListSort(small, &list_order);
  const double bubble_small = TimeBubbleSort(small, &bubble_order);

  std::printf("records with duplicate names, greater-only Compare (0 or 1)\n");
  std::printf("list sort,   %7d records:               %10.4f s\n", n, list_n);
  std::printf("list sort,   %7d records, already sorted: %8.4f s\n", n, list_sorted);
  std::printf("list sort,   %7d records:               %10.4f s\n", bubble_n, list_small);
  std::printf("bubble sort, %7d records (measured):    %10.4f s\n", bubble_n, bubble_small);
  std::printf("same order from both at %d records: %s\n", bubble_n, list_order == bubble_order ? "yes" : "NO");
  std::printf("ratio bubble / list at %d records (measured): %.1f\n", bubble_n, bubble_small / list_small);
  if (bubble_n < n) {
    const double scale = static_cast<double>(n) / bubble_n;
    const double bubble_n_estimate = bubble_small * scale * scale;
    std::printf("bubble sort, %7d records: EXTRAPOLATED (n^2 from %d): %.1f s\n", n, bubble_n, bubble_n_estimate);
    std::printf("ratio bubble / list at %d records (EXTRAPOLATED): %.0f\n", n, bubble_n_estimate / list_n);
  } else {
    std::printf("ratio bubble / list at %d records (measured): %.1f\n", n, bubble_small / list_n);
  }
  return 0;
}
