# The fuzz program runs with Wine's heap checks on (the warn class of the
# heap channel validates every block handed to the heap): a heap corruption
# or bad free that Wine reports fails it. They cost little, so the one run
# does both.
set_tests_properties(test_fuzz PROPERTIES
  ENVIRONMENT "WINEDEBUG=-all,err+heap,warn+heap"
  FAIL_REGULAR_EXPRESSION "(err|warn):heap")
