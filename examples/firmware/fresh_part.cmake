# A fresh simulated part for one firmware test (cmake -DCORVANE=... -DPART=folder -P ...): the
# folder holding its state file (BDXSIM_STATE) and what it sent emptied, then the part erased
# whole: Erase All leaves its security byte unsecured (0xFE), as programming a part whose byte
# still reads 0xFF would (an erased 0xFF secures a part at its next reset once it holds anything).
file(REMOVE_RECURSE ${PART})
file(MAKE_DIRECTORY ${PART})
execute_process(COMMAND ${CORVANE} erase --all --quiet RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "corvane erase --all failed (${status})")
endif()
