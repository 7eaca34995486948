# Run by ctest (cmake -P): makes the Debian packages of a build with CPack, checks their
# metadata, extracts them into a scratch root, builds the consumer against that root through
# the CMake package and through pkg-config, and runs it and the packaged programs from there.
# Inputs: BUILD_DIR, WORK_DIR, CONSUMER_DIR, CXX, GENERATOR, MAKE_PROGRAM, LIBDIR, FLAGS,
#         VERSION, SOVERSION, TOOLS (the programs packaged, separated by commas), C_INTERFACE
#         (ON when the C library and the Python package are built), PYTHON.

include("${CMAKE_CURRENT_LIST_DIR}/Consumer.cmake")

file(REMOVE_RECURSE "${WORK_DIR}")
set(debs "${WORK_DIR}/debs")
set(root "${WORK_DIR}/root")
file(MAKE_DIRECTORY "${debs}" "${root}")
string(REPLACE "," ";" tools "${TOOLS}")
string(REPLACE "." "\\." version_re "${VERSION}")

step(cpack -G DEB --config "${BUILD_DIR}/CPackConfig.cmake" -B "${debs}")
step(dpkg --print-architecture)
string(STRIP "${step_output}" arch)

set(library "libquorvin${SOVERSION}")
set(packages ${library} libquorvin-dev)
if(tools)
    list(APPEND packages quorvin)
endif()
file(GLOB made RELATIVE "${debs}" "${debs}/*.deb")
list(SORT made)
set(wanted)
foreach(package IN LISTS packages)
    list(APPEND wanted "${package}_${VERSION}_${arch}.deb")
endforeach()
set(c_library "libquorvin-c${SOVERSION}")
if(C_INTERFACE)
    list(APPEND packages ${c_library})
    list(APPEND wanted "${c_library}_${VERSION}_${arch}.deb" "python3-quorvin_${VERSION}_all.deb")
endif()
list(SORT wanted)
if(NOT made STREQUAL wanted)
    message(FATAL_ERROR "packages made: ${made}; expected: ${wanted}")
endif()

# Metadata: name, version, a description, and dependencies from the binaries (libc6 and the
# C++ runtime come only from dpkg-shlibdeps) and between the packages (exact version).
set(own "${library} \\(= ${version_re}\\)")
set(python_deb)
if(C_INTERFACE)
    set(python_deb python3-quorvin)
endif()
foreach(package IN LISTS packages python_deb)
    set(package_arch ${arch})
    if(package STREQUAL "python3-quorvin")
        set(package_arch all)
    endif()
    set(deb "${debs}/${package}_${VERSION}_${package_arch}.deb")
    foreach(field Package Version Architecture Description Depends)
        step(dpkg-deb -f "${deb}" ${field})
        string(STRIP "${step_output}" ${field})
    endforeach()
    expect("${package}: Package" "${Package}" "^${package}$")
    expect("${package}: Version" "${Version}" "^${version_re}$")
    expect("${package}: Architecture" "${Architecture}" "^${package_arch}$")
    expect("${package}: Description" "${Description}" "camera control.*\n .+")
    if(package STREQUAL library)
        expect("${package}: Depends" "${Depends}" "(^|, )libc6 \\(>= [^)]+\\)")
        expect("${package}: Depends" "${Depends}" "(^|, )libstdc\\+\\+6 \\(>= [^)]+\\)")
        step(dpkg-deb -I "${deb}" shlibs)
        string(STRIP "${step_output}" shlibs)
        expect("${package}: shlibs" "${shlibs}"
               "^libquorvin ${SOVERSION} ${library} \\(>= ${version_re}\\)$")
    elseif(package STREQUAL c_library)
        expect("${package}: Depends" "${Depends}" "(^|, )libstdc\\+\\+6 \\(>= [^)]+\\)")
        step(dpkg-deb -I "${deb}" shlibs)
        string(STRIP "${step_output}" shlibs)
        expect("${package}: shlibs" "${shlibs}"
               "^libquorvin-c ${SOVERSION} ${c_library} \\(>= ${version_re}\\)$")
    elseif(package STREQUAL "python3-quorvin")
        expect("${package}: Depends" "${Depends}"
               "^${c_library} \\(= ${version_re}\\), python3$")
    elseif(package STREQUAL "libquorvin-dev")
        expect("${package}: Depends" "${Depends}" "(^|, )${own}(,|$)")
        if(C_INTERFACE)
            expect("${package}: Depends" "${Depends}"
                   "(^|, )${c_library} \\(= ${version_re}\\)(,|$)")
        endif()
    else()
        expect("${package}: Depends" "${Depends}" "(^|, )${own}(,|$)")
        expect("${package}: Depends" "${Depends}" "(^|, )libc6 \\(>= [^)]+\\)")
    endif()
    step(dpkg-deb -x "${deb}" "${root}")
    if(NOT EXISTS "${root}/usr/share/doc/${package}/copyright")
        message(FATAL_ERROR "${package} has no /usr/share/doc/${package}/copyright")
    endif()
endforeach()

# What goes where: the loadable library alone in the runtime package, what a caller builds
# against in the development package.
step(dpkg-deb -c "${debs}/${library}_${VERSION}_${arch}.deb")
expect("${library} contents" "${step_output}" "/usr/${LIBDIR}/libquorvin\\.so\\.${SOVERSION}")
if(step_output MATCHES "/include/|\\.so \\-|\\.pc\n|cmake/")
    message(FATAL_ERROR "${library} holds development files:\n${step_output}")
endif()
step(dpkg-deb -c "${debs}/libquorvin-dev_${VERSION}_${arch}.deb")
foreach(file include/quorvin/Controller.h ${LIBDIR}/libquorvin.so ${LIBDIR}/pkgconfig/quorvin.pc
             ${LIBDIR}/cmake/Quorvin/QuorvinConfig.cmake)
    string(REPLACE "." "\\." file_re "${file}")
    expect("libquorvin-dev contents" "${step_output}" "/usr/${file_re}( |\n)")
endforeach()

set(libdir "${root}/usr/${LIBDIR}")
set(run "${CMAKE_COMMAND}" -E env "LD_LIBRARY_PATH=${libdir}")

build_consumers("${WORK_DIR}" "${root}/usr" "${libdir}" "${root}")

# The C library and the Python package from the packages: the module imports from Debian's
# place for it, finds the library by its SONAME and reads its version.
if(C_INTERFACE)
    foreach(file include/quorvin/quorvin.h ${LIBDIR}/libquorvin-c.so)
        string(REPLACE "." "\\." file_re "${file}")
        step(dpkg-deb -c "${debs}/libquorvin-dev_${VERSION}_${arch}.deb")
        expect("libquorvin-dev contents" "${step_output}" "/usr/${file_re}( |\n)")
    endforeach()
    # A C program built against the packaged header and library, as C: it starts and reports,
    # with its status, that the port does not exist.
    separate_arguments(flags UNIX_COMMAND "${FLAGS}")
    step(${CXX} -x c -std=c99 -Wall -Wextra -pedantic -Werror ${flags} "-I${root}/usr/include"
         "${CMAKE_CURRENT_LIST_DIR}/../capi/CProgram.c" -x none "-L${libdir}" -lquorvin-c
         -o "${WORK_DIR}/c-consumer")
    execute_process(COMMAND ${run} "${WORK_DIR}/c-consumer" /dev/quorvin-no-such-port
                    OUTPUT_VARIABLE c_output ERROR_VARIABLE c_output)
    expect("C consumer" "${c_output}"
           "^version ${version_re}\nopen: status 4 \"WinSerialCommAdaptor::connect\\(\\) failed !\"\n$")
    step(dpkg-deb -c "${debs}/${c_library}_${VERSION}_${arch}.deb")
    expect("${c_library} contents" "${step_output}" "/usr/${LIBDIR}/libquorvin-c\\.so\\.${SOVERSION}")
    set(preload)
    if(PYTHON_PRELOAD)
        set(preload "LD_PRELOAD=${PYTHON_PRELOAD}" "ASAN_OPTIONS=detect_leaks=0")
    endif()
    step(${run} ${preload} "PYTHONPATH=${root}/usr/lib/python3/dist-packages" "PYTHONDONTWRITEBYTECODE=1"
         "${PYTHON}" -c "import quorvin, os\nprint(quorvin.version(), os.path.dirname(quorvin.__file__))")
    expect("python3-quorvin" "${step_output}"
           "^${version_re} ${root}/usr/lib/python3/dist-packages/quorvin\n")
endif()

# The packaged programs start with the packaged library.
foreach(tool IN LISTS tools)
    if(NOT tool STREQUAL "quorvin-demo")
        step(${run} "${root}/usr/bin/${tool}" --help)
        expect("${tool} --help" "${step_output}" "[Uu]sage: [^ \n]*${tool}[ \n]")
    elseif(NOT EXISTS "${root}/usr/bin/${tool}")
        message(FATAL_ERROR "the tools package has no /usr/bin/${tool}")
    endif()
endforeach()

# The hub comes with its page and its systemd unit, which the package does not enable (no
# maintainer script starts or enables it).
list(FIND tools quorvin-hub hub_at)
if(hub_at GREATER -1)
    foreach(file usr/lib/systemd/system/quorvin-hub.service usr/share/quorvin/hub/web/index.html)
        if(NOT EXISTS "${root}/${file}")
            message(FATAL_ERROR "the tools package has no /${file}")
        endif()
    endforeach()
    step(dpkg-deb -I "${debs}/quorvin_${VERSION}_${arch}.deb")
    if(step_output MATCHES "postinst")
        message(FATAL_ERROR "the tools package has a postinst: the hub must not be enabled")
    endif()
endif()

# The packaged tool names the library it loaded: the packaged one, not the build's.
step(${run} "${root}/usr/bin/quorvin" --version)
expect("quorvin --version" "${step_output}"
       "^quorvin ${version_re}\nlibquorvin ${version_re} \\(${libdir}/libquorvin\\.so\\.${version_re}\\)")
