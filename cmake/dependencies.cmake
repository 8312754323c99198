# The cross-built dependencies from the cache that scripts/build-deps.sh fills.
function(korvel_import name library)
  add_library(${name} STATIC IMPORTED GLOBAL)
  set_target_properties(${name} PROPERTIES
    IMPORTED_LOCATION "${KORVEL_DEPS}/lib/${library}"
    INTERFACE_INCLUDE_DIRECTORIES "${KORVEL_DEPS}/include")
  if(NOT EXISTS "${KORVEL_DEPS}/lib/${library}")
    message(FATAL_ERROR "${KORVEL_DEPS}/lib/${library} is missing: run scripts/build-deps.sh")
  endif()
endfunction()

korvel_import(korvel::gmp libgmp.a)
korvel_import(korvel::gmpxx libgmpxx.a)
set_target_properties(korvel::gmpxx PROPERTIES INTERFACE_LINK_LIBRARIES korvel::gmp)
korvel_import(korvel::cryptopp libcryptopp.a)
korvel_import(korvel::qrencode libqrencode.a)
