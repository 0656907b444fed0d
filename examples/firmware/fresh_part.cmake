# A fresh simulated part for one firmware test (cmake -DCORVANE=... -DPART=folder -P ...): the
# folder holding its state file (BDXSIM_STATE) and what it sent emptied, then the part erased
# whole. An erased part is secured (its security byte reads 0xFF); Erase All leaves it unsecured.
file(REMOVE_RECURSE ${PART})
file(MAKE_DIRECTORY ${PART})
execute_process(COMMAND ${CORVANE} erase --all --quiet RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "corvane erase --all failed (${status})")
endif()
