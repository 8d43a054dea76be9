/* Brazilian tax identifiers (CPF of a person, CNPJ of a company): strip the punctuation,
 * add it back and check the two check digits.
 *
 * Public C interface of libpravolt_cgccpf.so. The four functions are exported by name
 * with C linkage (an ELF library has no ordinals: each name is exported once).
 *
 * Texts are zero-terminated byte strings; only the bytes '0' to '9' count as digits,
 * every other byte is punctuation and is dropped. A null input pointer reads as "".
 *
 * Output convention (desFormataCGCCPF, formataCGCCPF), as snprintf:
 *   - the return value is the length of the complete result, without the terminating
 *     zero byte, whatever the buffer's size;
 *   - when `tamanho` > 0, at most `tamanho` - 1 bytes of the result are written to
 *     `saida`, followed by a zero byte; nothing is ever written at or past
 *     saida[tamanho];
 *   - when `tamanho` is 0, `saida` is not touched and may be null.
 *   So a result is complete when the return value is less than `tamanho`; a caller that
 *   does not know the size asks with (NULL, 0) first. A buffer of strlen(texto) + 5
 *   bytes always suffices.
 */
#ifndef PRAVOLT_CGCCPF_H
#define PRAVOLT_CGCCPF_H

#include <stddef.h>

#if defined(_WIN32)
#define PRAVOLT_CGCCPF_API __declspec(dllexport)
#else
#define PRAVOLT_CGCCPF_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Replaces the buffer's text by its digits, in order, zero-terminated, and returns the
 * buffer. The result is never longer than the text, so the buffer always suffices.
 * Returns null for a null buffer. */
PRAVOLT_CGCCPF_API char* des(char* buffer);

/* The digits of the text. */
PRAVOLT_CGCCPF_API size_t desFormataCGCCPF(const char* texto, char* saida, size_t tamanho);

/* The identifier with its punctuation: 11 digits as 999.999.999-99 (CPF), 14 digits as
 * 99.999.999/9999-99 (CNPJ), any other count as the bare digits. Check digits are not
 * verified. */
PRAVOLT_CGCCPF_API size_t formataCGCCPF(const char* texto, char* saida, size_t tamanho);

/* 1 when the digits of the text form a CPF (11 digits) or a CNPJ (14 digits) with correct
 * check digits, else 0. */
PRAVOLT_CGCCPF_API int CgcCpfValido(const char* texto);

#ifdef __cplusplus
}
#endif

#endif /* PRAVOLT_CGCCPF_H */
