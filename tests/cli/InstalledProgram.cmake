# Run by ctest (cmake -P): installs the library and the tool into a scratch prefix and runs the
# installed program there, so that it must find the installed library beside it, and
# quorvin-doctor beside itself.
# Inputs: BUILD_DIR, WORK_DIR, BINDIR.

function(step expected_rc)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    if(NOT rc STREQUAL expected_rc)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "exit ${rc}, expected ${expected_rc}: ${command}\n${out}${err}")
    endif()
    set(step_out "${out}" PARENT_SCOPE)
    set(step_err "${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")
step(0 "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --component Quorvin)
step(0 "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" --component Cli)

# The library is bound at start-up, so a run that gets as far as opening the port has it.
set(ENV{LD_LIBRARY_PATH} "")
step(0 "${prefix}/${BINDIR}/quorvin" --help)
if(NOT step_out MATCHES "setPanTilt <pan:double>")
    message(FATAL_ERROR "help without the operations:\n${step_out}")
endif()
step(1 "${prefix}/${BINDIR}/quorvin" --port "${WORK_DIR}/no-such-port" getPowerState)
if(NOT step_err MATCHES "^quorvin: connect ")
    message(FATAL_ERROR "unexpected failure text:\n${step_err}")
endif()
# doctor runs quorvin-doctor, installed beside the tool, which explains the port.
step(1 "${prefix}/${BINDIR}/quorvin" doctor --port "${WORK_DIR}/no-such-port")
if(NOT step_out MATCHES "\n  cause         no such device ${WORK_DIR}/no-such-port; ")
    message(FATAL_ERROR "doctor without the port's cause:\n${step_out}${step_err}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
