# Writes a source with a German identifier (and the same words in a text and a comment) into DIR
# and runs the identifier check on it: the check must fail and name that identifier only. The
# identifier is put together here, so that no file of the repository holds it.
set(word "La" "de_Da" "tei")
string(CONCAT ident ${word})
file(WRITE "${DIR}/src/mixed.cpp"
     "// Words in a comment: ${ident}\nint ${ident}(int count);\nconst char* const Loaded_Text = \"${ident}\";\n")
execute_process(COMMAND "${PYTHON}" "${CHECK}" "${DIR}" RESULT_VARIABLE status OUTPUT_VARIABLE out)
string(REGEX MATCHALL "\n" lines "${out}")
list(LENGTH lines count)
if(status EQUAL 0 OR NOT out MATCHES "mixed.cpp:2: ${ident}" OR NOT count EQUAL 1)
  message(FATAL_ERROR "the identifier check let through or misnamed: [${out}] (status ${status})")
endif()
