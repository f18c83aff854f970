// A program that does nothing, linked as pss is: the benchmark times it to
// show what any process pays to start and end on the machine at hand, the
// floor under the figures of small jobs.
int main() {
  return 0;
}
