# cmake -DOBJDUMP=objdump -DOBJECT_LIST=objects.txt -P check_instruction_sets.cmake
#
# Fails when an object holds instructions its processor may lack: an x86-64
# processor is only sure to have SSE2. The AVX2 lane files may hold AVX2
# (the board calls them only where the processor has it), the SSE4.2 lane
# files SSE4.2 and the SSSE3 below it. No file may hold fused multiply-adds,
# which would round differently from the loops they must match, nor AVX-512.

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
