#include "main/alsa_ctl.h"

#include <alsa/asoundlib.h>

#include <cerrno>
#include <cstdio>

int alsa_ctl_write(sb_actl* ctl, const char* id, const char* value)
{
    printf("[%s] L%d write %s val:%s\n", __func__, __LINE__, id, value);
    snd_ctl_elem_id_t* elemId = nullptr;
    snd_ctl_elem_id_alloca(&elemId);
    int ret = snd_ctl_ascii_elem_id_parse(elemId, id);
    if (ret < 0) {
        printf("[%s] L%d parse %s ret:%d\n", __func__, __LINE__, id, ret);
        return ret;
    }
    // The seam reads the element's info and value, parses the value against the info and
    // writes it; its error says which of those steps failed.
    ret = sb_actl_write_ascii(ctl, id, value);
    if (ret == -ENOENT) {
        printf("[%s] L%d info %s ret:%d\n", __func__, __LINE__, id, ret);
    } else if (ret == -EINVAL) {
        printf("[%s] L%d value_parse %s ret:%d\n", __func__, __LINE__, id, ret);
    } else if (ret < 0) {
        printf("[%s] L%d write %s ret:%d\n", __func__, __LINE__, id, ret);
    }
    return ret;
}

void alsa_etdm_out_set(uint8_t on)
{
    sb_actl* ctl = nullptr;
    const int ret = sb_actl_open(&ctl, "hw:0");
    if (ret < 0) {
        printf("[%s,%d]:ret=%d\n", __func__, __LINE__, ret);
        return;
    }
    alsa_ctl_write(ctl, "name='Etdm_Force_On_Enable'", on != 0 ? "On" : "off");
    sb_actl_close(ctl);
}
