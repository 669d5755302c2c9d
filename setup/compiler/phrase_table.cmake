# The phrase-table builder.
