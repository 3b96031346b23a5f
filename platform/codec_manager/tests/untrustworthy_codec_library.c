/* A stand-in for both encoder libraries that breaks their contracts: no version string, and
   every encode call reports more bytes than the buffer it was given. */
#include <stddef.h>

static int state;

void* twolame_init(void) { return &state; }
int twolame_set_in_samplerate(void* o, int v) { (void)o, (void)v; return 0; }
int twolame_set_out_samplerate(void* o, int v) { (void)o, (void)v; return 0; }
int twolame_set_num_channels(void* o, int v) { (void)o, (void)v; return 0; }
int twolame_set_bitrate(void* o, int v) { (void)o, (void)v; return 0; }
int twolame_set_verbosity(void* o, int v) { (void)o, (void)v; return 0; }
int twolame_init_params(void* o) { (void)o; return 0; }
int twolame_encode_buffer_interleaved(void* o, const short* pcm, int samples, unsigned char* out, int size) {
    (void)o, (void)pcm, (void)samples, (void)out;
    return size + 4096;
}
int twolame_encode_flush(void* o, unsigned char* out, int size) { (void)o, (void)out; return size + 4096; }
void twolame_close(void** o) { *o = NULL; }
const char* get_twolame_version(void) { return NULL; }

void* lame_init(void) { return &state; }
int lame_set_in_samplerate(void* f, int v) { (void)f, (void)v; return 0; }
int lame_set_out_samplerate(void* f, int v) { (void)f, (void)v; return 0; }
int lame_set_num_channels(void* f, int v) { (void)f, (void)v; return 0; }
int lame_set_brate(void* f, int v) { (void)f, (void)v; return 0; }
int lame_set_bWriteVbrTag(void* f, int v) { (void)f, (void)v; return 0; }
void lame_set_write_id3tag_automatic(void* f, int v) { (void)f, (void)v; }
int lame_init_params(void* f) { (void)f; return 0; }
int lame_encode_buffer_interleaved(void* f, short* pcm, int samples, unsigned char* out, int size) {
    (void)f, (void)pcm, (void)samples, (void)out;
    return size + 4096;
}
int lame_encode_flush(void* f, unsigned char* out, int size) { (void)f, (void)out; return size + 4096; }
int lame_close(void* f) { (void)f; return 0; }
const char* get_lame_version(void) { return NULL; }
