# The fuzz program once more with Wine's heap checks on: a heap corruption
# that Wine reports fails it. Fewer steps, as every allocation is checked.
add_test(NAME test_fuzz_heap COMMAND test_fuzz --gtest_brief=1)
set_tests_properties(test_fuzz_heap PROPERTIES
  ENVIRONMENT "WINEDEBUG=warn+heap;KV58_FUZZ_STEPS=2000"
  FAIL_REGULAR_EXPRESSION "(err|warn):heap"
  TIMEOUT 900)
