# Makes one installed page from the shared page template: the search page
# and the command page differ only in where they sit in the documentation
# tree, so they share one template, script and style.
# Inputs: DIR (template folder), OUTPUT (page to write), PAGE ("search" or
# "commands").
file(READ "${DIR}/template.html" page)
file(READ "${DIR}/navigation.html" navigation)
file(READ "${DIR}/letterbar.html" letterbar)
file(READ "${DIR}/search.css" style)
file(READ "${DIR}/search.js" script)
# What results show besides their names comes first, for search.js to use.
file(READ "${DIR}/details.js" details)
string(PREPEND script "${details}")
# The full-text search of the pages comes after, on its own.
file(READ "${DIR}/fulltext.js" fulltext)
string(APPEND script "${fulltext}")
if(PAGE STREQUAL "search")
  set(up "")
  set(mod "Modules/")
  set(total "")
elseif(PAGE STREQUAL "commands")
  set(up "../")
  set(mod "")
  set(total "<span class=\"normale\" id=\"totalcommands\">Total commands 0 </span><br />\n")
else()
  message(FATAL_ERROR "unknown page '${PAGE}'")
endif()
# The fragments first, then the places that depend on the page.
string(REPLACE "@NAVIGATION@" "${navigation}" page "${page}")
string(REPLACE "@LETTERBAR@" "${letterbar}" page "${page}")
string(REPLACE "@TOTAL@" "${total}" page "${page}")
string(REPLACE "@UP@" "${up}" page "${page}")
string(REPLACE "@MOD@" "${mod}" page "${page}")
string(REPLACE "@STYLE@" "${style}" page "${page}")
string(REPLACE "@SCRIPT@" "${script}" page "${page}")
# The pages are plain ASCII with CR LF after every line.
string(REPLACE "\r" "" page "${page}")
string(REPLACE "\n" "\r\n" page "${page}")
file(WRITE "${OUTPUT}.tmp" "${page}")
file(RENAME "${OUTPUT}.tmp" "${OUTPUT}")
