# The smallest program the fixtures need: returns 0. Assembled for x86-64
# and i386 alike.
    .text
    .globl start
start:
    xor %eax, %eax
    ret
    .data
message:
    .ascii "Vamo test program\0"
