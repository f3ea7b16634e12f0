# cmake -DOBJDUMP=objdump -DOBJECT_LIST=objects.txt -P check_instruction_sets.cmake
#
# Fails when an object holds instructions its processor may lack: an x86-64
# processor is only sure to have SSE2. The AVX2 lane files may hold AVX2
# (the board calls them only where the processor has it), the SSE4.2 lane
# files SSE4.2 and the SSSE3 below it. No file may hold fused multiply-adds,
# which would round differently from the loops they must match, nor AVX-512.
#
# Within a lane file only its file-local functions may hold the lanes: the
# functions other files call run before the processor is asked, and an
# inline function emitted there as a weak copy may be the one the linker
# keeps for every caller.

cmake_minimum_required(VERSION 3.25)

# Lane files, by the object's file name.
set(avx2_files span_wide planes_avx2 triangle_setup depth_cull)
set(sse42_files span_sse42 planes_sse42)

# Mnemonics as objdump prints them, after the tab that ends the address.
# SSE3, SSSE3, SSE4.1, SSE4.2 and POPCNT. (tzcnt is left out: GCC writes
# bit scans as tzcnt, which a processor without it runs as bsf.)
set(beyond_sse2 "addsubp[sd]|hsubp[sd]|haddp[sd]|movddup|movs[hl]dup|lddqu|fisttp[sl]?l?|\
pshufb|ph(add|sub)(w|d|sw)|pmaddubsw|pmulhrsw|psign[bwd]|pabs[bwd]|palignr|\
blendv?p[sd]|pblendvb|pblendw|dpp[sd]|insertps|extractps|pextr[bdq]|pinsr[bdq]|\
pm(in|ax)(sb|sd|uw|ud)|pmulld|pmuldq|pcmpeqq|packusdw|pmov[sz]x[bwd][wdq]|ptest|\
round[ps][sd]|mpsadbw|phminposuw|movntdqa|pcmpgtq|pcmp[ei]str[im]|crc32[bwlq]?|popcnt[wlq]?")
# VEX-encoded instructions (AVX, AVX2), BMI1, BMI2 and LZCNT.
set(avx2 "v[a-z0-9]+|andn[lq]?|bextr[lq]?|blsi[lq]?|blsr[lq]?|blsmsk[lq]?|bzhi[lq]?|\
pdep[lq]?|pext[lq]?|rorx[lq]?|sarx[lq]?|shlx[lq]?|shrx[lq]?|mulx[lq]?|lzcnt[wlq]?")
set(fused "vf(n?m(add|sub)|maddsub|msubadd)[0-9a-z]*")

# The distinct mnemonics of `pattern` in `listing`, as one line in `out`.
function(mnemonics_of listing pattern out)
  string(REGEX MATCHALL "\t(${pattern})[ \n]" found "${listing}")
  list(TRANSFORM found STRIP)
  list(REMOVE_DUPLICATES found)
  list(JOIN found " " line)
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

# The functions of `object` that other files can reach, each as "section
# address name": every function symbol not marked local, weak copies of
# inline functions included. (Aliases, like a constructor's two names, share
# one address, under which the listing names only one of them.)
function(external_functions object out)
  execute_process(COMMAND "${OBJDUMP}" -t "${object}"
                  OUTPUT_VARIABLE table RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read the symbols of ${object}: ${error}")
  endif()
  string(REGEX MATCHALL "\n[0-9a-f]+ [^l\n][^\n][^\n][^\n][^\n][^\n]F [^\t\n]+\t[0-9a-f]+ [^\n]+"
         lines "\n${table}")
  set(functions "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^\n([0-9a-f]+) ......F ([^\t]+)\t[0-9a-f]+ (.+)$" "\\2 \\1 \\3"
           function "${line}")
    if(function STREQUAL line)
      message(FATAL_ERROR "${object}: a symbol line not understood: ${line}")
    endif()
    list(APPEND functions "${function}")
  endforeach()
  set(${out} "${functions}" PARENT_SCOPE)
endfunction()

# The instructions beyond SSE2 in the external functions of a lane file, as
# one line in `out`.
function(external_functions_beyond_sse2 object listing out)
  external_functions("${object}" functions)
  if(NOT functions)
    # Every lane file offers its lanes through some function: finding none
    # means the symbol table was misread, and nothing would be checked.
    message(FATAL_ERROR "${object}: no functions other files call were found")
  endif()
  set(faults "")
  foreach(function IN LISTS functions)
    string(REPLACE " " ";" function "${function}")
    list(GET function 0 section)
    list(GET function 1 address)
    list(GET function 2 name)
    # Addresses count from each section's start: find the section first.
    string(FIND "${listing}" "Disassembly of section ${section}:\n" section_start)
    set(start -1)
    if(NOT section_start EQUAL -1)
      string(SUBSTRING "${listing}" ${section_start} -1 section_code)
      string(FIND "${section_code}" "\n${address} <" start)
    endif()
    if(start EQUAL -1)
      message(FATAL_ERROR "${object}: no code listed for its function ${name}")
    endif()
    string(SUBSTRING "${section_code}" ${start} -1 code)
    # The function ends at the blank line after it; its last line's newline
    # is kept so that its mnemonic is matched like the others.
    string(FIND "${code}" "\n\n" end)
    if(NOT end EQUAL -1)
      math(EXPR end "${end} + 1")
    endif()
    string(SUBSTRING "${code}" 0 ${end} code)
    mnemonics_of("${code}" "${beyond_sse2}|${avx2}" found)
    if(found)
      list(APPEND faults "${name} (${found})")
    endif()
  endforeach()
  list(JOIN faults ", " line)
  set(${out} "${line}" PARENT_SCOPE)
endfunction()

file(STRINGS "${OBJECT_LIST}" objects)
if(NOT objects)
  message(FATAL_ERROR "No objects listed in ${OBJECT_LIST}")
endif()
set(faults "")
set(lane_files_seen 0)
foreach(object IN LISTS objects)
  execute_process(COMMAND "${OBJDUMP}" -d --no-show-raw-insn "${object}"
                  OUTPUT_VARIABLE listing RESULT_VARIABLE status ERROR_VARIABLE error)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} could not read ${object}: ${error}")
  endif()
  get_filename_component(name "${object}" NAME)
  string(REGEX REPLACE "\\.(cpp|c)\\.o$" "" name "${name}")
  mnemonics_of("${listing}" "${beyond_sse2}" beyond_sse2_found)
  mnemonics_of("${listing}" "${avx2}" avx2_found)
  mnemonics_of("${listing}" "${fused}" fused_found)
  string(FIND "${listing}" "%zmm" zmm_at)
  if(fused_found)
    list(APPEND faults "${object}: fused multiply-adds: ${fused_found}")
  endif()
  if(NOT zmm_at EQUAL -1)
    list(APPEND faults "${object}: AVX-512 registers")
  endif()
  if(name IN_LIST avx2_files OR name IN_LIST sse42_files)
    external_functions_beyond_sse2("${object}" "${listing}" reached_found)
    if(reached_found)
      list(APPEND faults "${object}: lane instructions in functions other files call: ${reached_found}")
    endif()
  endif()
  if(name IN_LIST avx2_files)
    # A scanner that saw nothing would pass every object: each lane file
    # must show the instructions it is there for.
    if(NOT avx2_found)
      list(APPEND faults "${object}: an AVX2 lane file without AVX2 instructions")
    endif()
    math(EXPR lane_files_seen "${lane_files_seen} + 1")
  elseif(name IN_LIST sse42_files)
    if(avx2_found)
      list(APPEND faults "${object}: AVX instructions in an SSE4.2 lane file: ${avx2_found}")
    endif()
    if(NOT beyond_sse2_found)
      list(APPEND faults "${object}: an SSE4.2 lane file without SSE4 instructions")
    endif()
    math(EXPR lane_files_seen "${lane_files_seen} + 1")
  else()
    if(avx2_found)
      list(APPEND faults "${object}: AVX instructions outside the lane files: ${avx2_found}")
    endif()
    if(beyond_sse2_found)
      list(APPEND faults "${object}: instructions beyond SSE2 outside the lane files: ${beyond_sse2_found}")
    endif()
  endif()
endforeach()

list(LENGTH avx2_files avx2_count)
list(LENGTH sse42_files sse42_count)
math(EXPR lane_files_expected "${avx2_count} + ${sse42_count}")
if(NOT lane_files_seen EQUAL lane_files_expected)
  list(APPEND faults "${lane_files_seen} of the ${lane_files_expected} lane files were listed")
endif()
if(faults)
  list(JOIN faults "\n" report)
  message(FATAL_ERROR "${report}")
endif()
list(LENGTH objects object_count)
message(STATUS "${object_count} objects hold only the instructions their processors have")
